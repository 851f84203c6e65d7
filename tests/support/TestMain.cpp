#include <QApplication>

#include <gtest/gtest.h>

#include "platform/Bundle.h"

// Every test binary gets one offscreen application, so widget, timer and thread tests all run
// against a real main thread with an event loop.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vell-thermo-tests"));
    Bundle::setPackagedSkinBundlePath(QStringLiteral(VELL_TEST_SKIN_BUNDLE));
    return RUN_ALL_TESTS();
}

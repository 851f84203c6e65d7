#ifdef VELL_TEST_CORE
#include <QCoreApplication>
using TestApplication = QCoreApplication;  // core tests link no QtWidgets
#else
#include <QApplication>
using TestApplication = QApplication;
#endif

#include <gtest/gtest.h>

#include "platform/Bundle.h"

// An offscreen application: a real main thread with an event loop; started programs log bare.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_MESSAGE_PATTERN", "%{message}");
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    TestApplication::setApplicationName("vell-thermo-tests");
    Bundle::setPackagedSkinBundlePath(VELL_TEST_SKIN_BUNDLE);
    return RUN_ALL_TESTS();
}

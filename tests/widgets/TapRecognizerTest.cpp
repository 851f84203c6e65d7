#include "widgets/TapRecognizer.h"

#include "skin/SkinChooser.h"
#include "skin/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"

#include <QJsonArray>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "support/OpenedUrls.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

TEST(TapCounterTest, FiresOnThePressThatCompletesFive) {
    forEachRow("taps.json", [](const QJsonValue& row) {
        TapCounter counter(5, 400, 8);
        QJsonArray fired;
        const QJsonArray presses = row[1].toArray();
        for (qsizetype i = 0; i < presses.size(); ++i) {
            const QJsonValue p = presses[i];
            if (counter.press(QPointF(p[0].toDouble(), p[1].toDouble()), p[2].toInteger()))
                fired.append(i);
        }
        EXPECT_EQ(fired, row[2].toArray());
    });
}

// Clicks go in through the window system with times of our own, since QTest spaces its clicks
// wider than a double-click apart: hit-testing and double-click detection are the application's.
TEST(TapRecognizerTest, OpensTheChooserOnlyForFiveClicksOnThePicture) {
    const TempHome home;
    OpenedUrls opened;
    int clock = 1000;
    forEachRow("tap_scripts.json", [&](const QJsonValue& row) {
        QWidget window;
        UIBackGroundView* view = UIBackGroundView::initWithSkin("qir").release();
        ASSERT_NE(view, nullptr);
        view->setParent(&window);
        window.resize(800, 600);
        view->setFrame(QRectF(0, 0, 800, 600));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        UILinkLabel* link = nullptr;
        for (UILinkLabel* label : view->findChildren<UILinkLabel*>())
            if (label->url().startsWith("https:")) link = label;
        ASSERT_NE(link, nullptr);
        const auto click = [&](QPoint at, Qt::MouseButton button) {
            clock += 120;
            QWindow* handle = window.windowHandle();
            const QPointF global = handle->mapToGlobal(at);
            qt_handleMouseEvent(handle, at, global, button, button, QEvent::MouseButtonPress, {},
                                clock);
            qt_handleMouseEvent(handle, at, global, {}, button, QEvent::MouseButtonRelease, {},
                                clock + 20);
            QCoreApplication::processEvents();
        };
        const QPoint onLink = link->mapTo(&window, link->rect().center());
        clock += 10'000;  // far from the last row's clicks
        for (const QChar c : row[0].toString()) {
            if (c == ' ') clock += 1000;
            if (c == 'b' || c == 'r')
                click({400, 200}, c == 'b' ? Qt::LeftButton : Qt::RightButton);
            if (c == 'l' || c == 'R') click(onLink, c == 'l' ? Qt::LeftButton : Qt::RightButton);
        }
        EXPECT_EQ(window.findChildren<SkinChooser*>().size(), row[1].toInt());
        EXPECT_EQ(opened, QList<QUrl>(row[0].toString().count('l'), QUrl(link->url())));
        opened.clear();
    });
}

}  // namespace

#include "app/OrrinNavigationController.h"
#include "screen/ViewController.h"
#include "skin/UIBackGroundView.h"
#include "widgets/ActivityIndicator.h"
#include "widgets/FitLabel.h"
#include "widgets/ViewGeometry.h"

#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <mutex>
#include <variant>

#include "support/FakeTransport.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/Wait.h"

namespace {

using SensorEvent = std::variant<qint64, QByteArray>;

// The screen as the window has it, in a container, fed by fake sensors that send what the test
// queues at every turn of their thread's loop.
class ViewControllerTest : public ::testing::Test {
protected:
    ViewController* load() {
        navigation = std::make_unique<OrrinNavigationController>();
        screen = new ViewController;
        navigation->pushViewController(screen);
        QObject::connect(screen, &ViewController::readingShown, screen, [this](const QString& t) {
            shown.append(t);
            shownOffMain = shownOffMain || QThread::currentThread() != qApp->thread();
        });
        return screen;
    }
    // Queues events (numbers: status codes, strings: records); true when a record is among them.
    bool send(const QJsonValue& events) {
        const std::lock_guard lock(mutex);
        bool records = false;
        for (const QJsonValue& e : events.toArray()) {
            queue.append(e.isString() ? SensorEvent(bytes(e)) : SensorEvent(e.toInteger()));
            records = records || e.isString();
        }
        return records;
    }

    FakeTransportScope transports{[this](FakeTransport& self, const LinkSettings&, LinkSink& sink) {
        ++links;
        auto* timer = new QTimer(&self);
        QObject::connect(timer, &QTimer::timeout, [this, &sink] {
            QList<SensorEvent> events;
            {
                const std::lock_guard lock(mutex);
                events = std::exchange(queue, {});
            }
            for (const SensorEvent& event : events) {
                if (const qint64* code = std::get_if<qint64>(&event))
                    sink.status(*code);
                else
                    sink.result(std::get<QByteArray>(event));
            }
        });
        timer->start(1);
    }};
    TempHome home;
    LogCapture log;
    std::mutex mutex;
    QList<SensorEvent> queue;
    std::atomic<int> links{0};
    std::unique_ptr<OrrinNavigationController> navigation;
    ViewController* screen = nullptr;
    QStringList shown;
    bool shownOffMain = false;
};

TEST_F(ViewControllerTest, ViewsSitOverTheQirSkinCentredAtTheirOwnSize) {
    load();
    FitLabel* label = screen->readingLabel();
    ActivityIndicator* spinner = screen->activityIndicator();
    const auto expectCentredIn = [&](QSizeF size) {
        const QPointF middle(size.width() / 2, size.height() / 2);
        EXPECT_EQ(ViewGeometry::frame(label), QRectF(middle - QPointF(160, 20), QSizeF(320, 40)));
        EXPECT_EQ(ViewGeometry::frame(spinner), QRectF(middle - QPointF(60, 60), QSizeF(120, 120)));
    };
    EXPECT_TRUE(spinner->isHidden() && !spinner->isAnimating() && !screen->hasSensorLink());
    ASSERT_NE(screen->backgroundView(), nullptr);
    EXPECT_EQ(screen->backgroundView()->currentSkin(), "qir");

    // Appearing centres the views, fills the background, spins and links.
    screen->resize(1024, 768);
    screen->viewDidAppear(false);
    expectCentredIn(QSizeF(1024, 768));
    EXPECT_TRUE(spinner->isAnimating() && !spinner->isHidden() && screen->hasSensorLink());
    screen->viewWillTransitionToSize(QSizeF(1024.5, 767));
    expectCentredIn(QSizeF(1024.5, 767));
    screen->resize(600, 900);
    EXPECT_TRUE(screen->shouldAutorotate());
    expectCentredIn(QSizeF(600, 900));
    EXPECT_EQ(screen->backgroundView()->frame(), QRectF(0, 0, 600, 900));
    // No text resizes the label, on screen either.
    navigation->show();
    label->setText(QString(500, 'W') + "\nlines");
    waitUntil([] { return false; }, true, 50);
    EXPECT_EQ(ViewGeometry::frame(label).size(), QSizeF(320, 40));
}

TEST_F(ViewControllerTest, OneLinkAtATimeAcrossVisitsToTheSystem) {
    load()->checkTempture();
    send(QJsonArray{"Temp:23.45 Hum:56.78"});
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 1; }));
    screen->checkTempture();  // clears the label and spins again on the same link
    EXPECT_TRUE(screen->readingLabel()->text().isEmpty());
    EXPECT_TRUE(screen->activityIndicator()->isAnimating());
    screen->gotoSystem();
    EXPECT_FALSE(screen->hasSensorLink());
    screen->backFromSystem();
    send(QJsonArray{1});
    ASSERT_TRUE(waitUntil([&] { return log.lines().contains("scanning..."); }));
    EXPECT_EQ(links.load(), 2);
}

TEST_F(ViewControllerTest, ShowsOnTheMainThreadAndLogsWhatTheSensorSends) {
    forEachRow("screen_delivery.json", [&](const QJsonValue& row) {
        load()->checkTempture();
        log.clear();
        shown.clear();
        const bool records = send(row[0]);
        const QStringList logged = strings(row[1]);
        ASSERT_TRUE(waitUntil([&] { return log.lines().size() >= logged.size(); }));
        waitUntil([] { return false; }, true, 20);
        EXPECT_EQ(log.lines(), logged);
        EXPECT_EQ(screen->readingLabel()->text(), row[2].toString());
        EXPECT_EQ(shown,
                  row[2].toString().isEmpty() ? QStringList() : QStringList{row[2].toString()});
        // Any record, good or damaged, stops the spinner that checking started.
        EXPECT_EQ(screen->activityIndicator()->isAnimating(), !records);
        EXPECT_FALSE(shownOffMain);
    });
}

}  // namespace

#include "app/OrrinNavigationController.h"
#include "screen/ViewController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <random>

#include "support/FakeTransport.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

namespace {

// Every link sends numbered records, 5000 a second, from its own thread; the numbers go on
// across links, so the screen must show them in increasing order.
std::atomic<qint64> sent{0};

void streamRecords(FakeTransport& self, const LinkSettings&, LinkSink& sink) {
    auto* timer = new QTimer(&self);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [clock, &sink, due = qint64{0}]() mutable {
        for (; due < clock->nsecsElapsed() / 200'000; ++due) {
            const qint64 n = ++sent;  // as five digits of temperature and five of humidity
            sink.result(QStringLiteral("Temp:%1 Hum:%2")
                            .arg(n % 100000, 5, 10, QLatin1Char('0'))
                            .arg(n / 100000, 5, 10, QLatin1Char('0'))
                            .toLatin1());
        }
    });
    timer->setTimerType(Qt::PreciseTimer);
    timer->start(1);
}

// The record number a reading text shows: "TTTTT ℃   HHHHH%".
qint64 numberOf(const QString& text) {
    return text.left(5).toLongLong() + text.mid(text.size() - 6, 5).toLongLong() * 100000;
}

TEST(LinkStormTest, LeavingAndComingBackWhileRecordsStreamKeepsOrderAndStopsEveryLink) {
    TempHome home;
    LogCapture log;
    FakeTransportScope transports(streamRecords);
    OrrinNavigationController navigation;
    auto* screen = new ViewController;
    navigation.pushViewController(screen);
    qint64 last = 0;
    int shownCount = 0;
    bool inOrder = true;
    QObject::connect(screen, &ViewController::readingShown, screen, [&](const QString& text) {
        inOrder = inOrder && numberOf(text) > last;
        last = numberOf(text);
        ++shownCount;
    });

    std::mt19937 random(7);
    std::uniform_int_distribution<int> stayUs(0, 2000);
    int lateReadings = 0;
    for (int cycle = 0; cycle < 5000; ++cycle) {
        screen->backFromSystem();
        QElapsedTimer stay;
        stay.start();
        for (const int us = stayUs(random); stay.nsecsElapsed() < us * 1000;)
            QCoreApplication::processEvents();
        screen->gotoSystem();
        ASSERT_FALSE(screen->hasSensorLink());
        // Only a record already on its way when the link stopped may still show.
        const int before = shownCount;
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        lateReadings += shownCount - before > 1;
    }
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(lateReadings, 0);
    EXPECT_GT(shownCount, 0);

    // The screen goes while its link delivers: nothing shows or runs after it. The log outlives
    // the screen and would show a late reading.
    screen->backFromSystem();
    for (const int target = shownCount + 3; shownCount < target;) QCoreApplication::processEvents();
    const qsizetype logged = log.lines().size();
    delete screen;
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(log.lines().size(), logged);
}

}  // namespace

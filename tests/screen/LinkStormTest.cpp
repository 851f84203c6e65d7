#include "widgets/OrrinNavigationController.h"
#include "screen/ViewController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <random>

#include "support/FakeTransport.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

namespace {

constexpr int kRecordsPerSecond = 5000;

// The number of cycles; a sanitizer run may ask for fewer with VELL_STORM_CYCLES.
int cycles() {
    bool ok = false;
    const int asked = qEnvironmentVariableIntValue("VELL_STORM_CYCLES", &ok);
    return ok && asked > 0 ? asked : 10'000;
}

// Every link sends numbered records at a steady rate from its own thread; the numbers go on
// across links, so the screen must show them in increasing order.
std::atomic<qint64> sent{0};

void streamRecords(FakeTransport& self, const LinkSettings&, LinkSink& sink) {
    auto* timer = new QTimer(&self);
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(&self, &QObject::destroyed, [clock] { delete clock; });
    QObject::connect(timer, &QTimer::timeout, &self, [clock, &sink, due = qint64{0}]() mutable {
        for (const qint64 target = clock->nsecsElapsed() * kRecordsPerSecond / 1'000'000'000;
             due < target; ++due) {
            const qint64 n = ++sent;
            // "Temp:" and five digits, " Hum:" and five more: 20 bytes, as the sensor sends.
            sink.result(QStringLiteral("Temp:%1 Hum:%2")
                            .arg(n % 100000, 5, 10, QLatin1Char('0'))
                            .arg(n / 100000 % 100000, 5, 10, QLatin1Char('0'))
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
        const qint64 n = numberOf(text);
        inOrder = inOrder && n > last;
        last = n;
        ++shownCount;
    });

    std::mt19937 random(7);
    std::uniform_int_distribution<int> stayUs(0, 2000);
    int lateReadings = 0;
    for (int cycle = 0, total = cycles(); cycle < total; ++cycle) {
        screen->backFromSystem();
        QElapsedTimer stay;
        stay.start();
        const qint64 stayNs = qint64{stayUs(random)} * 1000;
        do {
            QCoreApplication::processEvents();
        } while (stay.nsecsElapsed() < stayNs);
        screen->gotoSystem();
        // Only a record already on its way when the link stopped may still show.
        const int before = shownCount;
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        if (shownCount - before > 1) ++lateReadings;
        ASSERT_FALSE(screen->hasSensorLink());
    }
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(lateReadings, 0);
    EXPECT_GT(shownCount, 0);

    // The screen goes while its link delivers: nothing shows or runs after it.
    screen->backFromSystem();
    for (const int target = shownCount + 3; shownCount < target;) QCoreApplication::processEvents();
    // The log, unlike the screen's signal, outlives the screen and would show a late reading.
    const auto readingsLogged = [&] { return log.lines().filter(QStringLiteral("\u2103")).size(); };
    const qsizetype atClose = readingsLogged();
    delete screen;
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(readingsLogged(), atClose);
    std::printf("%d cycles, %d readings shown of %lld sent\n", cycles(), shownCount,
                static_cast<long long>(sent.load()));
}

}  // namespace

// The screen going to the system (the window minimised) and coming back at one step of the real
// Bluetooth LE link, in this process so that the calls land exactly in that step.
// run_ble_scenario.py runs it against mocked BlueZ: the step comes in VELL_BLE_STEP (a
// "lifecycle" of tests/data/ble_scenarios.json), the mock's log in VELL_BLE_MOCK_LOG.

#include "screen/ViewController.h"
#include "sensor/BleTransport.h"
#include "sensor/VellLumo.h"
#include "widgets/FitLabel.h"
#include "widgets/OrrinNavigationController.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>

#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/Wait.h"

namespace {

const QStringList kLinkUp{QStringLiteral("scanning..."), QStringLiteral("Found target."),
                          QStringLiteral("connecting ...")};
constexpr int kLinkMs = 15000;  // the mock's timers and Qt's D-Bus round trips on a busy machine

QStringList statusesIn(const QStringList& lines) {
    QStringList found;
    for (const QString& line : lines)
        if (kLinkUp.contains(line) || line == QStringLiteral("tempture disconnected."))
            found.append(line);
    return found;
}

// The numbers of the mock's records shown among lines (bluez_thermometer.record), in order; 0 for
// a reading the mock never sent.
QList<int> recordsIn(const QStringList& lines) {
    QList<int> found;
    for (const QString& line : lines) {
        if (!line.contains(u'\u2103')) continue;
        const int k = qRound((line.section(u' ', 0, 0).toDouble() - 20) / 0.11);
        const QString sent =
            QString::asprintf("%5.2f \u2103   %5.2f%%", 20 + 0.11 * k, 40 + 0.37 * k);
        found.append(line == sent ? k : 0);
    }
    return found;
}

// Goes to the system with the main thread busy a moment first, as while the window minimises, so
// that a record waits in its hop: the old link may then show that one reading, and no more.
void leave(ViewController* screen, const LogCapture& log) {
    QThread::msleep(100);
    screen->gotoSystem();
    EXPECT_FALSE(screen->hasSensorLink());
    const qsizetype mark = log.lines().size();
    waitUntil([] { return false; }, true, 300);  // time for a link that did not stop to show
    const QStringList late = log.lines().mid(mark);
    EXPECT_LE(late.size(), 1) << ::testing::PrintToString(late);
    EXPECT_EQ(recordsIn(late).size(), late.size()) << ::testing::PrintToString(late);
    const QStringList readings = log.lines().filter(QStringLiteral("\u2103"));
    EXPECT_EQ(screen->readingLabel()->text(), readings.isEmpty() ? QString() : readings.last());
}

// A new link scans, finds, connects, and shows records newer than any shown before, in order.
void expectFreshLink(const LogCapture& log) {
    const qsizetype mark = log.lines().size();
    const QList<int> shown = recordsIn(log.lines());
    ASSERT_TRUE(
        waitUntil([&] { return recordsIn(log.lines().mid(mark)).size() >= 3; }, true, kLinkMs));
    const QStringList again = log.lines().mid(mark);
    EXPECT_EQ(again.mid(0, 3), kLinkUp);
    const QList<int> records = recordsIn(again.mid(3));
    EXPECT_EQ(records.size(), again.size() - 3) << ::testing::PrintToString(again);
    EXPECT_GT(records.value(0), shown.isEmpty() ? 0 : shown.last())
        << ::testing::PrintToString(again);
    for (qsizetype i = 1; i < records.size(); ++i)
        EXPECT_EQ(records[i], records[i - 1] + 1) << ::testing::PrintToString(again);
}

TEST(LinkLifecycleTest, GoingToTheSystemStopsTheLinkAndComingBackStartsAFreshOne) {
    const QJsonObject step = QJsonDocument::fromJson(qgetenv("VELL_BLE_STEP")).object();
    if (step.isEmpty()) GTEST_SKIP() << "run by tests/integration/run_ble_scenario.py";
    TempHome home;
    LogCapture log;
    struct PrintOnFailure {
        const LogCapture& log;
        ~PrintOnFailure() {
            if (::testing::Test::HasFailure())
                std::fprintf(stderr, "%s\n", qPrintable(log.lines().join(u'\n')));
        }
    } printOnFailure{log};
    VellLumo::setTransportFactory([] { return std::make_unique<BleTransport>(); });
    auto navigation = std::make_unique<OrrinNavigationController>();
    auto* screen = new ViewController;
    navigation->pushViewController(screen);
    screen->viewDidAppear(false);

    const auto mockHolds = [] {
        QFile mockLog(qEnvironmentVariable("VELL_BLE_MOCK_LOG"));
        return mockLog.open(QIODevice::ReadOnly) && mockLog.readAll().contains("holding");
    };
    const qsizetype statuses = step[QStringLiteral("statuses")].toInt();
    ASSERT_TRUE(waitUntil(
        [&] {
            return statusesIn(log.lines()).size() >= statuses &&
                   (!step[QStringLiteral("held")].toBool() || mockHolds()) &&
                   recordsIn(log.lines()).size() >= step[QStringLiteral("readings")].toInt();
        },
        true, kLinkMs));
    EXPECT_EQ(statusesIn(log.lines()), kLinkUp.first(statuses));
    leave(screen, log);

    screen->backFromSystem();
    expectFreshLink(log);
    leave(screen, log);  // and once more from the fresh link, mid-stream
    navigation.reset();  // the link stops before the mock goes
    VellLumo::setTransportFactory({});
}

}  // namespace

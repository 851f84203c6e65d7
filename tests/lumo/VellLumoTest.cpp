#include "lumo/ReplayTransport.h"
#include "lumo/SimulatedTransport.h"
#include "lumo/VellLumo.h"
#include "platform/MainThread.h"

#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <future>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

#include "support/FakeTransport.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

// What the link and its transport did, noted on the link's thread.
struct Seen {
    void add(const QString& event) {
        std::lock_guard lock(mutex);
        onMain = onMain || QThread::currentThread() == mainThread;
        list.append(event);
    }
    // A list of its own: sharing one with the appending thread races on its reference count.
    QStringList events() {
        std::lock_guard lock(mutex);
        return QStringList(list.cbegin(), list.cend());
    }
    QStringList take() {
        std::lock_guard lock(mutex);
        return std::exchange(list, {});
    }

    QThread* const mainThread = QThread::currentThread();
    std::mutex mutex;
    QStringList list;
    bool onMain = false;
    std::atomic<int> made{0};
};

// Reports a status and a record each time its thread's event loop turns.
void stream(FakeTransport& transport, LinkSink& sink) {
    auto* timer = new QTimer(&transport);
    QObject::connect(timer, &QTimer::timeout, &transport, [&sink] {
        sink.status(1);
        sink.result("Temp:23.45 Hum:56.78");
    });
    timer->start(0);
}

class VellLumoTest : public ::testing::Test {
protected:
    // Fake transports that note their making, start (with the settings) and end, then do then.
    void useFake(std::function<void(FakeTransport&, LinkSink&)> then) {
        VellLumo::setTransportFactory([this, then] {
            ++seen.made;
            return std::make_unique<FakeTransport>(
                [this, then](FakeTransport& self, const LinkSettings& s, LinkSink& sink) {
                    seen.add(QStringList{"started", s.btName, s.serviceUUID, s.receiveUUID,
                                         s.transmitUUID}
                                 .join(' '));
                    then(self, sink);
                },
                [this] { seen.add(QStringLiteral("gone")); });
        });
    }
    std::unique_ptr<VellLumo> open() {
        return VellLumo::initWithBTName(
            QStringLiteral("VellTempture"),
            [this](qint64 code) { seen.add(QStringLiteral("status %1").arg(code)); },
            [this](const QByteArray& r) { seen.add("result " + QString::fromLatin1(r)); });
    }
    // Replays path as fast as it goes; what the link reported up to the end.
    QStringList replay(const QString& path) {
        VellLumo::setTransportFactory(
            [path] { return std::make_unique<ReplayTransport>(path, 0); });
        std::unique_ptr<VellLumo> link = open();
        EXPECT_TRUE(waitUntil([&] { return seen.events().contains("status 14"); }));
        link.reset();
        return seen.take();
    }

    FakeTransportScope transports;
    Seen seen;
};

TEST_F(VellLumoTest, TransportSeesSettingsMadeAfterConstructionAndReportsOffTheMainThread) {
    VellLumo::setTransportFactory({});
    EXPECT_EQ(open(), nullptr);  // no transport, no link
    useFake([](FakeTransport&, LinkSink& sink) {
        sink.status(1);
        sink.result("Temp:23.45 Hum:56.78");
    });
    std::unique_ptr<VellLumo> link = open();
    ASSERT_NE(link, nullptr);
    std::this_thread::sleep_for(50ms);  // a link that started at once would have begun by now
    link->setServiceUUID("FFE0");
    link->setReceiveUUID("FFE1");
    link->setTransmitUUID("FFE2");
    ASSERT_TRUE(waitUntil([&] { return seen.events().size() == 3; }));
    link->cancel();

    // Made, started, heard from and destroyed on the link's own thread, never the main one.
    EXPECT_EQ(seen.events(), (QStringList{"started VellTempture FFE0 FFE1 FFE2", "status 1",
                                          "result Temp:23.45 Hum:56.78", "gone"}));
    std::lock_guard lock(seen.mutex);
    EXPECT_FALSE(seen.onMain);
}

TEST_F(VellLumoTest, CancelReturnsWhileAResultWaitsForTheBusyMainThread) {
    std::atomic<bool> hopping{false};
    auto workRan = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<VellLumo> link;
    std::promise<void> go;  // dropped before the link, so a failed check never strands start()
    useFake([started = go.get_future().share()](FakeTransport&, LinkSink& sink) {
        started.wait();
        sink.result("Temp:23.45 Hum:56.78");
    });
    link = VellLumo::initWithBTName(QStringLiteral("VellTempture"), {}, [&](const QByteArray&) {
        hopping.store(true);
        MainThread::dispatchSync([workRan] { workRan->store(true); });
    });
    ASSERT_TRUE(waitUntil([&] { return seen.made.load() == 1; }));

    // From here on the main thread serves no events, as while it closes the window.
    go.set_value();
    ASSERT_TRUE(waitUntil([&] { return hopping.load(); }, false));
    std::this_thread::sleep_for(20ms);  // let the hop reach its wait
    link->cancel();
    EXPECT_TRUE(seen.events().endsWith("gone"));
    EXPECT_FALSE(workRan->load());
    EXPECT_TRUE(waitUntil([&] { return workRan->load(); }));  // released, not lost
}

TEST_F(VellLumoTest, NothingIsReportedOnceCancelOrTheDestructorReturns) {
    useFake(stream);
    // Gone before it starts, it never makes a transport.
    open()->cancel();
    open().reset();
    waitUntil([] { return false; }, true, 50);
    EXPECT_EQ(seen.made.load(), 0);

    for (const bool destroy : {false, true}) {
        std::unique_ptr<VellLumo> link = open();
        ASSERT_TRUE(waitUntil([&] { return seen.events().size() > 100; }));
        if (destroy) {
            link.reset();
        } else {
            link->cancel();
            link->cancel();
        }
        const QStringList atReturn = seen.take();
        EXPECT_EQ(atReturn.last(), "gone");
        waitUntil([] { return false; }, true, 50);
        EXPECT_EQ(seen.events(), QStringList()) << (destroy ? "destroyed" : "cancelled");
    }
}

TEST_F(VellLumoTest, ReplayDeliversEveryLineInOrderWithoutItsEndingThenReportsTheLinkLost) {
    const TempHome dir;
    QByteArray content;
    QStringList expected;
    for (int i = 0; i < 200; ++i) {
        const QByteArray line = i == 100 ? QByteArray() : "Temp:" + QByteArray::number(i);
        content += line + (i % 3 == 0 ? "\r\n" : "\n");
        expected.append("result " + QString::fromLatin1(line));
    }
    EXPECT_EQ(replay(dir.write("readings.txt", content + "last")), expected << "result last"
                                                                            << "status 14");
    // Nothing to read is the link lost at once.
    for (const QString& path : {dir.write("empty.txt", {}), dir.path() + "/missing.txt",
                                QFileInfo(dir.write("folder/x", {})).path()})
        EXPECT_EQ(replay(path), QStringList{"status 14"}) << path.toStdString();
}

TEST_F(VellLumoTest, SimulatedSensorScansFindsConnectsAndIsReadyBeforeItsFirstRecord) {
    VellLumo::setTransportFactory([] { return std::make_unique<SimulatedTransport>(10); });
    std::unique_ptr<VellLumo> link = open();
    ASSERT_TRUE(waitUntil([&] { return seen.events().size() >= 6; }));
    link->cancel();
    const QStringList events = seen.events();
    EXPECT_EQ(events.mid(0, 4), (QStringList{"status 1", "status 12", "status 2", "status 13"}));
    for (const QString& event : events.mid(4))
        EXPECT_TRUE(event.startsWith("result Temp:") && event.size() == 27) << event.toStdString();
}

TEST(SimulatedTransportTest, RecordIsTwentyBytesWithFieldsAtFiveAndFifteen) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct {
        double temperature, humidity;
        const char* fields;  // the five bytes at 5 and the five at 15; nullptr: any
    } rows[] = {
        {23.45, 56.78, "23.45 56.78"}, {9.994, 99.996, "10.00 99.99"},
        {-40.0, 150.0, "10.00 99.99"}, {1e300, -1e300, "99.99 10.00"},
        {inf, -inf, "99.99 10.00"},    {std::nan(""), 0.0, nullptr},
    };
    for (const auto& row : rows) {
        const QByteArray record = SimulatedTransport::formatRecord(row.temperature, row.humidity);
        EXPECT_TRUE(record.size() == 20 && record.startsWith("Temp:") &&
                    record.mid(10, 5) == " Hum:")
            << record.toStdString();
        if (row.fields != nullptr) {
            EXPECT_EQ(record.mid(5, 5) + ' ' + record.mid(15, 5), QByteArray(row.fields));
        }
    }
}

}  // namespace

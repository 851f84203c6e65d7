#include "lumo/ReplayTransport.h"
#include "lumo/VellLumo.h"
#include "platform/MainThread.h"

#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>

#include "support/FakeTransport.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

class VellLumoTest : public ::testing::Test {
protected:
    // What the link and its transport did, noted on the link's thread.
    void note(const QString& event) {
        const std::lock_guard lock(mutex);
        onMain = onMain || QThread::currentThread() == qApp->thread();
        seen.append(event);
    }
    QStringList take() {
        const std::lock_guard lock(mutex);
        return std::exchange(seen, {});
    }
    qsizetype count() {
        const std::lock_guard lock(mutex);
        return seen.size();
    }
    // Transports that note their start, with the settings, and their end, and do then.
    void useFake(std::function<void(FakeTransport&, LinkSink&)> then) {
        VellLumo::setTransportFactory([this, then] {
            ++made;
            return std::make_unique<FakeTransport>(
                [this, then](FakeTransport& self, const LinkSettings& s, LinkSink& sink) {
                    note(QStringList{"started", s.btName, s.serviceUUID, s.receiveUUID,
                                     s.transmitUUID}
                             .join(' '));
                    then(self, sink);
                },
                [this] { note("gone"); });
        });
    }
    std::unique_ptr<VellLumo> open(VellLumo::ResultHandler result = {}) {
        if (!result) result = [this](const QByteArray& r) { note("result " + r); };
        return VellLumo::initWithBTName(
            "VellTempture", [this](qint64 code) { note(QString::number(code)); }, result);
    }

    FakeTransportScope transports;
    std::mutex mutex;
    QStringList seen;
    bool onMain = false;
    std::atomic<int> made{0};
};

TEST_F(VellLumoTest, TransportStartsOffTheMainThreadWithTheSettingsMadeAfterConstruction) {
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
    ASSERT_TRUE(waitUntil([&] { return count() == 3; }));
    link->cancel();
    EXPECT_EQ(take(), (QStringList{"started VellTempture FFE0 FFE1 FFE2", "1",
                                   "result Temp:23.45 Hum:56.78", "gone"}));
    EXPECT_FALSE(onMain);
}

TEST_F(VellLumoTest, NothingIsReportedOnceCancelOrTheDestructorReturns) {
    useFake([](FakeTransport& self, LinkSink& sink) {  // reports at every turn of its loop
        auto* timer = new QTimer(&self);
        QObject::connect(timer, &QTimer::timeout, [&sink] {
            sink.status(1);
            sink.result("Temp:23.45 Hum:56.78");
        });
        timer->start(0);
    });
    open()->cancel();  // gone before it starts, it never makes a transport
    waitUntil([] { return false; }, true, 50);
    EXPECT_EQ(made.load(), 0);
    for (const bool destroy : {false, true}) {
        std::unique_ptr<VellLumo> link = open();
        ASSERT_TRUE(waitUntil([&] { return count() > 100; }));
        if (destroy) {
            link.reset();
        } else {
            link->cancel();
            link->cancel();
        }
        EXPECT_EQ(take().last(), "gone");
        waitUntil([] { return false; }, true, 50);
        EXPECT_EQ(take(), QStringList()) << (destroy ? "destroyed" : "cancelled");
    }
}

TEST_F(VellLumoTest, CancelReleasesAResultWaitingForTheBusyMainThread) {
    std::promise<void> go;  // dropped before the link, so a failed check never strands start()
    useFake([started = go.get_future().share()](FakeTransport&, LinkSink& sink) {
        started.wait();
        sink.result("Temp:23.45 Hum:56.78");
    });
    std::atomic<bool> hopping{false};
    auto workRan = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<VellLumo> link = open([&](const QByteArray&) {
        hopping = true;
        MainThread::dispatchSync([workRan] { *workRan = true; });
    });
    ASSERT_TRUE(waitUntil([&] { return made == 1; }));
    // From here on the main thread serves no events, as while it closes the window.
    go.set_value();
    ASSERT_TRUE(waitUntil([&] { return hopping.load(); }, false));
    std::this_thread::sleep_for(20ms);  // let the hop reach its wait
    link->cancel();
    EXPECT_EQ(take().last(), "gone");
    EXPECT_FALSE(workRan->load());
    EXPECT_TRUE(waitUntil([&] { return workRan->load(); }));  // released, not lost
}

// Each line is a record, without its line ending; the end of the input is the link lost.
TEST_F(VellLumoTest, ReplayDeliversEveryLineInOrderThenReportsTheLinkLost) {
    const TempHome dir;
    const struct {
        QString path;
        QStringList events;
    } rows[] = {
        {dir.write("r.txt", "Temp:1\r\n\nTemp:2\nlast"),
         {"result Temp:1", "result ", "result Temp:2", "result last", "14"}},
        {dir.write("empty.txt", {}), {"14"}},
        {dir.path() + "/missing.txt", {"14"}},
        {dir.path(), {"14"}},
    };
    for (const auto& row : rows) {
        VellLumo::setTransportFactory(
            [&] { return std::make_unique<ReplayTransport>(row.path, 0); });
        std::unique_ptr<VellLumo> link = open();
        EXPECT_TRUE(waitUntil([&] { return count() == row.events.size(); }));
        link.reset();
        EXPECT_EQ(take(), row.events) << row.path.toStdString();
    }
}

}  // namespace

#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include "support/Wait.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Runs body on a std::thread or a QThread. Going away serves events until body is done, so a
// failed check never leaves the worker waiting for the main thread.
class Worker {
public:
    Worker(bool qt, std::function<void()> body) {
        auto run = [this, body = std::move(body)] {
            body();
            done.store(true);
        };
        if (qt) {
            qtThread.reset(QThread::create(run));
            qtThread->start();
        } else {
            stdThread = std::thread(run);
        }
    }
    ~Worker() {
        waitUntil([this] { return done.load(); });
        if (stdThread.joinable()) stdThread.join();
        if (qtThread) qtThread->wait();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    std::atomic<bool> done{false};

private:
    std::thread stdThread;
    std::unique_ptr<QThread> qtThread;
};

class DispatchSyncTest : public ::testing::TestWithParam<bool> {};

TEST_P(DispatchSyncTest, EveryHopRunsOnceOnTheMainThreadBeforeItReturns) {
    QThread* const mainThread = QThread::currentThread();
    int total = 0;  // only ever touched on the main thread
    bool allOnMain = true;
    std::atomic<int> early{0};
    std::atomic<int> workersOnMain{0};
    std::vector<std::unique_ptr<Worker>> workers;
    for (int w = 0; w < 4; ++w) {
        workers.push_back(std::make_unique<Worker>(GetParam(), [&] {
            if (MainThread::isCurrent()) ++workersOnMain;
            for (int i = 0; i < 50; ++i) {
                bool ran = false;  // written by the work, read here once the hop returns
                MainThread::dispatchSync([&] {
                    ran = true;
                    ++total;
                    allOnMain = allOnMain && QThread::currentThread() == mainThread;
                });
                if (!ran) ++early;
            }
        }));
    }
    workers.clear();
    EXPECT_EQ(total, 200);
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(early.load(), 0);
    EXPECT_EQ(workersOnMain.load(), 0);
}

TEST_P(DispatchSyncTest, ClosingTheGateReleasesAHopTheMainThreadIsNotServing) {
    auto gate = std::make_shared<HopGate>();
    auto ran = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> hopping{false};
    std::atomic<bool> returned{false};
    Worker worker(GetParam(), [&] {
        const MainThread::Scope scope(gate);
        hopping.store(true);
        MainThread::dispatchSync([ran] { ran->store(true); });
        returned.store(true);
    });
    // The main thread stops the worker while busy, as when the window closes mid-reading.
    ASSERT_TRUE(waitUntil([&] { return hopping.load(); }, false));
    std::this_thread::sleep_for(20ms);  // let the hop reach its wait
    EXPECT_FALSE(returned.load());
    gate->close();
    EXPECT_FALSE(gate->isOpen());
    ASSERT_TRUE(waitUntil([&] { return worker.done.load(); }, false));
    EXPECT_FALSE(ran->load());
    // Released, not dropped: the work runs once events are served again.
    EXPECT_TRUE(waitUntil([&] { return ran->load(); }));
}

// Hops sent back to back may skip the event queue; never past work their thread posted first.
TEST_P(DispatchSyncTest, AStreamOfHopsKeepsItsPlaceBehindPostedWork) {
    std::vector<int> order;  // main thread only
    Worker worker(GetParam(), [&] {
        for (int i = 0; i < 2000; ++i) {
            if (i % 3 == 0) MainThread::post([&order, i] { order.push_back(-i); });
            MainThread::dispatchSync([&order, i] { order.push_back(i); });
        }
    });
    ASSERT_TRUE(waitUntil([&] { return worker.done.load(); }));
    std::vector<int> expected;
    for (int i = 0; i < 2000; ++i) {
        if (i % 3 == 0) expected.push_back(-i);
        expected.push_back(i);
    }
    EXPECT_EQ(order, expected);
}

INSTANTIATE_TEST_SUITE_P(Workers, DispatchSyncTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& row) {
                             return row.param ? "QThread" : "StdThread";
                         });

TEST(MainThreadTest, OnTheMainThreadWorkRunsAtOnceEvenUnderAClosedGate) {
    EXPECT_TRUE(MainThread::isCurrent());
    auto closed = std::make_shared<HopGate>();
    closed->close();
    const MainThread::Scope scope(closed);
    bool inner = false;
    MainThread::dispatchSync([&] { MainThread::dispatchSync([&] { inner = true; }); });
    EXPECT_TRUE(inner);
}

}  // namespace

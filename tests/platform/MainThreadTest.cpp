#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

// Runs body on a thread of its own. Going away serves the main thread's events until body is
// done, so a failed check never leaves the thread waiting for the main thread.
class Worker {
public:
    explicit Worker(std::function<void()> body)
        : thread([this, body] {
              body();
              done = true;
          }) {}
    ~Worker() {
        waitUntil([this] { return done.load(); });
        thread.join();
    }
    std::atomic<bool> done{false};

private:
    std::thread thread;
};

TEST(MainThreadTest, AHopReturnsOnceItsWorkRanOnTheMainThreadAndNeverOvertakesPostedWork) {
    // On the main thread the work runs at once, nested too, and even under a closed gate.
    auto closed = std::make_shared<HopGate>();
    closed->close();
    bool inner = false;
    {
        const MainThread::Scope scope(closed);
        MainThread::dispatchSync([&] { MainThread::dispatchSync([&] { inner = true; }); });
    }
    EXPECT_TRUE(inner);

    constexpr int kHops = 1000;
    std::vector<int> order[4];  // each worker's, touched on the main thread only
    std::atomic<int> early{0};
    std::atomic<int> offMain{0};
    {
        std::vector<std::unique_ptr<Worker>> workers;
        for (std::vector<int>& seen : order)
            workers.push_back(std::make_unique<Worker>([&] {
                for (int i = 0; i < kHops; ++i) {
                    if (i % 3 == 0) MainThread::post([&seen, i] { seen.push_back(-i); });
                    bool ran = false;  // written by the work, read once the hop returns
                    MainThread::dispatchSync([&, i] {
                        ran = true;
                        seen.push_back(i);
                        if (QThread::currentThread() != qApp->thread()) ++offMain;
                    });
                    if (!ran) ++early;
                }
            }));
    }
    std::vector<int> expected;
    for (int i = 0; i < kHops; ++i) {
        if (i % 3 == 0) expected.push_back(-i);
        expected.push_back(i);
    }
    for (const std::vector<int>& seen : order) EXPECT_TRUE(seen == expected);
    EXPECT_EQ(early.load(), 0);
    EXPECT_EQ(offMain.load(), 0);
}

TEST(MainThreadTest, ClosingTheGateReleasesAHopTheBusyMainThreadIsNotServing) {
    auto gate = std::make_shared<HopGate>();
    auto ran = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> hopping{false};
    Worker worker([&] {
        const MainThread::Scope scope(gate);
        hopping = true;
        MainThread::dispatchSync([ran] { *ran = true; });
    });
    // The main thread stops the worker while busy, as when the window closes mid-reading.
    ASSERT_TRUE(waitUntil([&] { return hopping.load(); }, false));
    std::this_thread::sleep_for(20ms);  // let the hop reach its wait
    EXPECT_FALSE(worker.done.load());
    gate->close();
    EXPECT_TRUE(waitUntil([&] { return worker.done.load(); }, false));
    EXPECT_FALSE(ran->load());
    EXPECT_TRUE(waitUntil([&] { return ran->load(); }));  // released, not dropped
}

}  // namespace

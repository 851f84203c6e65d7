#include "platform/Bundle.h"
#include "platform/MainThread.h"

#include <QDir>
#include <QThread>

#include <sys/stat.h>

#include "support/QtPrinters.h"
#include "support/Table.h"
#include "support/TempHome.h"
#include "support/Wait.h"

// A resource's name, type and folder, and the path the bundle gives (null: none). Beside the
// bundle <home>/b lies <home>/secret.png, as a user's private file would.
class BundlePathRows : public TableTest {};
TEST_P(BundlePathRows, FindsOnlyRegularFilesInsideAnExistingBundle) {
    const QJsonValue& row = GetParam().value;
    const TempHome home;
    home.write("secret.png", "private");
    home.write("b/top.txt", "t");
    home.write("b/qir/background.png", "p");
    QDir(home.path()).mkpath("b/qir/folder.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.path() + "/b/qir/pipe.png"), 0600), 0);
    const std::unique_ptr<Bundle> bundle = Bundle::initWithPath(home.path() + "/b");
    ASSERT_NE(bundle, nullptr);
    const QString folder = row[2].toString().replace("<home>", home.path());
    const QString path = bundle->pathForResource(row[0].toString(), row[1].toString(), folder);
    EXPECT_EQ(path, row[3].isNull() ? QString() : home.path() + "/b/" + row[3].toString());
    EXPECT_EQ(path.isNull(), row[3].isNull());
}
VELL_TABLE(BundlePathRows, "bundle_paths.json");

// A thread running body, joined serving events: a failed check never leaves it waiting for us.
struct Join {
    void operator()(QThread* thread) const {
        waitUntil([thread] { return thread->isFinished(); });
        delete thread;
    }
};
static std::unique_ptr<QThread, Join> start(std::function<void()> body) {
    std::unique_ptr<QThread, Join> thread(QThread::create(std::move(body)));
    thread->start();
    return thread;
}

TEST(MainThreadTest, AHopReturnsOnceItsWorkRanOnTheMainThreadAndNeverOvertakesPostedWork) {
    std::vector<int> seen[4], expected;  // seen: each worker's, on the main thread only
    for (int i = 0; i < 1000; ++i) expected.insert(expected.end(), {-i, i});
    std::atomic<int> wrong{0};  // hops that returned before their work ran, or ran it elsewhere
    {
        std::vector<std::unique_ptr<QThread, Join>> workers;
        for (std::vector<int>& order : seen)
            workers.push_back(start([&] {
                for (int i = 0; i < 1000; ++i) {
                    MainThread::post([&order, i] { order.push_back(-i); });
                    bool ran = false;
                    MainThread::dispatchSync([&, i] {
                        ran = QThread::currentThread() == qApp->thread();
                        order.push_back(i);
                    });
                    wrong += !ran;
                }
            }));
    }
    for (const std::vector<int>& order : seen) EXPECT_TRUE(order == expected);
    EXPECT_EQ(wrong.load(), 0);
}

TEST(MainThreadTest, ClosingTheGateReleasesAHopTheBusyMainThreadIsNotServing) {
    auto gate = std::make_shared<HopGate>();
    auto ran = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> hopping{false};
    const auto worker = start([&] {
        const MainThread::Scope scope(gate);
        hopping = true;
        MainThread::dispatchSync([ran] { *ran = true; });
    });
    // The main thread stops the worker while busy, as when the window closes mid-reading.
    ASSERT_TRUE(waitUntil([&] { return hopping.load(); }, false));
    QThread::msleep(20);  // for the hop to reach its wait
    EXPECT_FALSE(worker->isFinished());
    gate->close();
    EXPECT_TRUE(waitUntil([&] { return worker->isFinished(); }, false));
    EXPECT_FALSE(ran->load());
    EXPECT_TRUE(waitUntil([&] { return ran->load(); }));  // released, not dropped
}

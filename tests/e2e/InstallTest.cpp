#include "skin/SkinStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "support/FileTree.h"
#include "support/QtPrinters.h"
#include "support/RunApp.h"
#include "support/TempHome.h"

namespace {

const QString kPackaged = QStringLiteral(VELL_TEST_SKIN_BUNDLE);

// What Documents holds besides the lock, which a killed start may leave behind.
QStringList documents(const TempHome& home) {
    QStringList names = QDir(home.path() + "/Documents")
                            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeAll(".skin.bundle.lock");
    return names;
}

// The program's first start in home, killed as this goes. A watch on Documents tells, to the
// microsecond, when the install makes its first entry there: the copy takes a few milliseconds,
// shorter than a busy machine's time slices.
class FirstStart {
public:
    explicit FirstStart(const TempHome& home) : watch(::inotify_init1(IN_CLOEXEC)) {
        QDir().mkpath(home.path() + "/Documents");
        ::inotify_add_watch(watch, QFile::encodeName(home.path() + "/Documents").constData(),
                            IN_CREATE | IN_MOVED_TO);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(VELL_TEST_BINARY, {"--home", home.path(), "--sensor", "sim", "--interval",
                                         "0", "--readings", "1"});
    }
    ~FirstStart() {
        process.kill();  // SIGKILL
        process.waitForFinished();
        ::close(watch);
    }
    // Waits for an entry whose name starts with prefix, the lock aside; false after 20 s.
    bool waitFor(const QByteArray& prefix) {
        alignas(inotify_event) char buffer[4096];
        for (pollfd ready{watch, POLLIN, 0};;) {
            while (!seen.isEmpty()) {  // one read may bring several: the copy and its rename
                const QByteArray name = seen.takeFirst();
                if (name.startsWith(prefix) && name != ".skin.bundle.lock") return true;
            }
            if (::poll(&ready, 1, 20'000) != 1) return false;
            const ssize_t n = ::read(watch, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) seen.append(event->name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    QProcess process;
    int watch;
    QByteArrayList seen;
};

// Killed at random moments of its copy, the first start leaves the whole packaged bundle or none
// of it, and the next start installs it whole.
TEST(InstallTest, KilledFirstStartsLeaveAllOrNothing) {
    const QMap<QString, QByteArray> packaged = tree(kPackaged);
    ASSERT_GT(packaged.size(), 10);
    // The kills come at a random moment of a window that follows what they find: it narrows
    // after a kill that came after the copy and widens after one that cut it short.
    QRandomGenerator random(20261206);
    double windowUs = 2000;
    int cut = 0;
    for (int kill = 0; kill < 20; ++kill) {
        SCOPED_TRACE(kill);
        const TempHome home;
        {
            FirstStart start(home);
            ASSERT_TRUE(start.waitFor(""));
            const double delayNs = random.bounded(windowUs) * 1000;
            QElapsedTimer clock;
            for (clock.start(); static_cast<double>(clock.nsecsElapsed()) < delayNs;) {
            }
        }
        const QMap<QString, QByteArray> installed = tree(home.installedBundle());
        EXPECT_TRUE(installed.isEmpty() || installed == packaged)
            << "a half bundle: " << installed.size() << " entries";
        cut += installed.isEmpty();
        windowUs = std::clamp(windowUs * (installed.isEmpty() ? 1.25 : 0.6), 50.0, 1e6);
        EXPECT_TRUE(SkinStore::installIfMissing(kPackaged, home.installedBundle()));
        EXPECT_EQ(tree(home.installedBundle()), packaged);
        EXPECT_EQ(documents(home), QStringList{"skin.bundle"});
    }
    EXPECT_GE(cut, 4);  // the kills did land during the copy
}

// A full disk during the first start: RLIMIT_FSIZE makes the copy of the first picture fail.
TEST(InstallTest, AFullDiskLeavesNoHalfBundleAndTheScreenStillComesUp) {
    const TempHome home;
    const Finished done = runApp(
        {"--home", home.path(), "--sensor", "sim", "--interval", "0", "--readings", "1"}, {}, [] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{100'000, 100'000};  // above labels.plist, below a picture
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);  // a reading was shown
    const QStringList install = done.err.filter("install");
    ASSERT_EQ(install.size(), 1) << ::testing::PrintToString(done.err);
    EXPECT_TRUE(install[0].startsWith("Cannot install the skins into " + home.installedBundle()));
    EXPECT_TRUE(documents(home).isEmpty());
    // With room again, the next start installs everything.
    EXPECT_EQ(runApp({"--home", home.path(), "--check-skins"}).status, 0);
    EXPECT_EQ(tree(home.installedBundle()), tree(kPackaged));
}

}  // namespace

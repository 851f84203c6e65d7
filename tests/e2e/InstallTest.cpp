#include "skin/SkinStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "support/FileTree.h"
#include "support/QtPrinters.h"
#include "support/RunApp.h"
#include "support/TempHome.h"

// The bundle and the copies in progress in Documents.
static QStringList documents(const TempHome& home) {
    return QDir(home.path() + "/Documents")
        .entryList({"skin.bundle", ".skin.bundle.partial-*"}, QDir::AllEntries | QDir::Hidden);
}

// The first start, killed at a random moment of a window after its copy appears, leaves the whole
// bundle or none. The window narrows after a kill after the copy and widens after one within it.
TEST(InstallTest, KilledFirstStartsLeaveAllOrNothing) {
    const QMap<QString, QByteArray> packaged = tree(VELL_TEST_SKIN_BUNDLE);
    QRandomGenerator random(20261206);
    double windowUs = 2000;
    int cut = 0;
    for (int kill = 0; kill < 20; ++kill) {
        const TempHome home;
        QProcess start;
        start.start(VELL_TEST_BINARY,
                    {"--home", home.path(), "--sensor", "sim", "--readings", "1"});
        QElapsedTimer clock;
        for (clock.start(); documents(home).isEmpty() && clock.elapsed() < 20'000;) ::usleep(20);
        const double delayNs = random.bounded(windowUs) * 1000;
        for (clock.start(); static_cast<double>(clock.nsecsElapsed()) < delayNs;) {
        }
        start.kill();
        start.waitForFinished();
        const QMap<QString, QByteArray> installed = tree(home.installedBundle());
        EXPECT_TRUE(installed.isEmpty() || installed == packaged) << installed.size() << " entries";
        cut += installed.isEmpty();
        windowUs = std::clamp(windowUs * (installed.isEmpty() ? 1.25 : 0.6), 50.0, 1e6);
        EXPECT_TRUE(SkinStore::installIfMissing(VELL_TEST_SKIN_BUNDLE, home.installedBundle()));
        EXPECT_EQ(tree(home.installedBundle()), packaged);
        EXPECT_EQ(documents(home), QStringList{"skin.bundle"});
    }
    EXPECT_GE(cut, 4);  // the kills did land during the copy
}

// A full disk during the first start: RLIMIT_FSIZE makes the copy of the first picture fail.
TEST(InstallTest, AFullDiskLeavesNoHalfBundleAndTheScreenStillComesUp) {
    const TempHome home;
    const Finished done =
        runApp({"--home", home.path(), "--sensor", "sim", "--readings", "1"}, {}, [] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{100'000, 100'000};  // above labels.plist, below a picture
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);  // a reading was shown
    const QStringList install = done.err.filter("install");
    ASSERT_EQ(install.size(), 1) << ::testing::PrintToString(done.err);
    EXPECT_TRUE(install[0].startsWith("Cannot install the skins into " + home.installedBundle()));
    EXPECT_TRUE(documents(home).isEmpty());
}

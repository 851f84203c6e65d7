#include "skin/SkinStore.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "support/FilePermissions.h"
#include "support/FileTree.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

const QString kPackaged = QStringLiteral(VELL_TEST_SKIN_BUNDLE);

QStringList documents(const TempHome& home) {
    return QDir(home.path() + QStringLiteral("/Documents"))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                   QDir::Name);
}

TEST(SkinStoreTest, TwoStartsAtOnceInstallOneWholePackagedBundleQuietly) {
    const TempHome home;
    const LogCapture log;
    bool other = false;
    std::thread thread(
        [&] { other = SkinStore::installIfMissing(kPackaged, home.installedBundle()); });
    EXPECT_TRUE(SkinStore::installIfMissing(kPackaged, home.installedBundle()));
    thread.join();
    EXPECT_TRUE(other);
    ASSERT_TRUE(tree(kPackaged).contains(QStringLiteral("qir/labels.plist")));
    EXPECT_EQ(tree(home.installedBundle()), tree(kPackaged));
    EXPECT_EQ(documents(home), QStringList{"skin.bundle"});
    EXPECT_EQ(log.lines(), QStringList());
}

TEST(SkinStoreTest, AnythingAlreadyInstalledIsKeptAsItIs) {
    const std::pair<const char*, std::function<void(const TempHome&)>> rows[] = {
        {"an edited bundle",
         [](const TempHome& home) {
             SkinStore::installIfMissing(kPackaged, home.installedBundle());
             home.write(QStringLiteral("Documents/skin.bundle/qir/labels.plist"), "edited");
             QFile::remove(home.installedBundle() +
                           QStringLiteral("/qir/background_Mac_Landscape.png"));
         }},
        {"an empty folder", [](const TempHome& home) { QDir().mkpath(home.installedBundle()); }},
        {"a file",
         [](const TempHome& home) { home.write(QStringLiteral("Documents/skin.bundle"), "x"); }},
        {"a dangling link",
         [](const TempHome& home) {
             QDir().mkpath(home.path() + QStringLiteral("/Documents"));
             QFile::link(home.path() + QStringLiteral("/gone"), home.installedBundle());
         }},
    };
    for (const auto& [what, make] : rows) {
        const TempHome home;
        make(home);
        const QMap<QString, QByteArray> before = tree(home.installedBundle());
        ASSERT_FALSE(before.isEmpty()) << what;
        const LogCapture log;
        EXPECT_TRUE(SkinStore::installIfMissing(kPackaged, home.installedBundle())) << what;
        EXPECT_EQ(tree(home.installedBundle()), before) << what;
        EXPECT_EQ(log.lines(), QStringList()) << what;
    }
}

TEST(SkinStoreTest, LeftoversOfAnInterruptedCopyAreCleared) {
    for (const bool installed : {false, true}) {
        const TempHome home;
        if (installed) SkinStore::installIfMissing(kPackaged, home.installedBundle());
        // A leftover link into the user's own files goes; the files it points at stay.
        const QString mine = home.write(QStringLiteral("mine/notes.txt"), "keep");
        home.write(QStringLiteral("Documents/.skin.bundle.partial-xyz/qir/labels.plist"), "half");
        home.write(QStringLiteral("Documents/.skin.bundle.partial-file"), "half");
        QFile::link(QFileInfo(mine).absolutePath(),
                    home.path() + QStringLiteral("/Documents/.skin.bundle.partial-link"));
        home.write(QStringLiteral("Documents/.skin.bundle.kept"), "not a leftover");

        EXPECT_TRUE(SkinStore::installIfMissing(kPackaged, home.installedBundle()));
        EXPECT_EQ(documents(home), (QStringList{".skin.bundle.kept", "skin.bundle"}));
        EXPECT_EQ(tree(home.installedBundle()), tree(kPackaged));
        EXPECT_EQ(tree(mine).value(QStringLiteral(".")), "keep");
    }
}

// A start killed between creating its lock file and writing its process id into it.
TEST(SkinStoreTest, AnOwnerlessLockFileDoesNotStopTheNextInstall) {
    const TempHome home;
    QFile lock(home.write(QStringLiteral("Documents/.skin.bundle.lock"), {}));
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    lock.setFileTime(QDateTime::currentDateTime().addSecs(-2), QFileDevice::FileModificationTime);
    lock.close();
    EXPECT_TRUE(SkinStore::installIfMissing(kPackaged, home.installedBundle()));
    EXPECT_EQ(tree(home.installedBundle()), tree(kPackaged));
}

TEST(SkinStoreTest, AFailedInstallLeavesNothingBehindAndLogsOneLine) {
    const QTemporaryDir scratch;
    // A pipe cannot be copied, even by root, who ignores folder permissions.
    const QString withPipe = scratch.filePath(QStringLiteral("skin.bundle"));
    QDir().mkpath(withPipe + QStringLiteral("/qir"));
    QFile::copy(kPackaged + QStringLiteral("/qir/labels.plist"),
                withPipe + QStringLiteral("/qir/labels.plist"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(withPipe + QStringLiteral("/qir/pipe")), 0600), 0);

    const struct {
        const char* what;
        QString packaged;
        std::function<void(const QString& documentsPath)> make;
    } rows[] = {
        {"a pipe in the packaged bundle", withPipe, [](const QString&) {}},
        {"Documents is a file", kPackaged,
         [](const QString& path) { QFile(path).open(QIODevice::WriteOnly); }},
        {"Documents is read-only", kPackaged,
         [](const QString& path) {
             QDir().mkpath(path);
             QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
         }},
    };
    for (const auto& row : rows) {
        const TempHome home;
        row.make(home.path() + QStringLiteral("/Documents"));
        const LogCapture log;
        {
            const PermissionBitsApply asUser;
            EXPECT_FALSE(SkinStore::installIfMissing(row.packaged, home.installedBundle()))
                << row.what;
        }
        EXPECT_TRUE(tree(home.installedBundle()).isEmpty()) << row.what;
        EXPECT_EQ(documents(home), QStringList()) << row.what;
        // One line, naming where the install failed.
        EXPECT_EQ(log.lines().size(), 1) << row.what << ": " << log.lines().join('|').toStdString();
        EXPECT_TRUE(log.lines().value(0).contains(home.path())) << row.what;
        QFile::setPermissions(home.path() + QStringLiteral("/Documents"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

}  // namespace

#include "skin/SkinWatcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"
#include "support/Wait.h"

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

class SkinWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("skin")));
        writeFile(file(QStringLiteral("labels.plist")), "one");
        writeFile(file(QStringLiteral("background_Mac_Landscape.png")), "png");
        watcher.watch(folder);
    }
    QString file(const QString& name) const { return folder + QLatin1Char('/') + name; }

    // Waits for the change's burst to end (or, when none is expected, for longer than a burst
    // can last), then a little longer to see that it ended once.
    int changesAfter(const std::function<void()>& change, bool expected = true) {
        int count = 0;
        const QMetaObject::Connection counting =
            QObject::connect(&watcher, &SkinWatcher::changed, [&count] { ++count; });
        change();
        waitUntil([&] { return count > 0; }, true,
                  expected ? 5000 : 3 * SkinWatcher::kLongestWaitMs);
        waitUntil([] { return false; }, true, 2 * SkinWatcher::kQuietMs);
        QObject::disconnect(counting);
        return count;
    }

    QTemporaryDir root;
    QString folder = root.path() + QStringLiteral("/skin");
    SkinWatcher watcher;
};

TEST_F(SkinWatcherTest, EveryKindOfEditIsOneChange) {
    const QString labels = file(QStringLiteral("labels.plist"));
    const QString picture = file(QStringLiteral("background_Mac_Landscape.png"));
    const struct {
        const char* edit;
        std::function<void()> change;
    } rows[] = {
        {"written in place", [&] { writeFile(labels, "two"); }},
        {"a burst of writes",
         [&] {
             for (int i = 0; i < 50; ++i) writeFile(labels, QByteArray::number(i));
         }},
        {"replaced by a rename",
         [&] {
             writeFile(root.path() + "/new.png", "new");
             QFile::remove(picture);
             QFile::rename(root.path() + "/new.png", picture);
         }},
        // The file replaced above is watched again.
        {"the replacement written in place", [&] { writeFile(picture, "newer"); }},
        {"removed", [&] { QFile::remove(labels); }},
        {"added back", [&] { writeFile(labels, "three"); }},
        {"the folder removed", [&] { QDir(folder).removeRecursively(); }},
        {"the folder put back", [&] { QDir(root.path()).mkpath(QStringLiteral("skin")); }},
        {"a file in the folder put back", [&] { writeFile(labels, "four"); }},
    };
    for (const auto& row : rows) EXPECT_EQ(changesAfter(row.change), 1) << row.edit;
}

TEST_F(SkinWatcherTest, OtherFilesAndOtherSkinsAreNotWatched) {
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("other")));
    watcher.watch(root.path() + QStringLiteral("/other"));
    EXPECT_EQ(changesAfter([&] { writeFile(file(QStringLiteral("labels.plist")), "x"); }, false),
              0);
    watcher.watch(folder);
    EXPECT_EQ(changesAfter([&] { writeFile(file(QStringLiteral("notes.txt")), "x"); }), 1)
        << "a new file in the folder is a change of the folder";
    EXPECT_EQ(changesAfter([&] { writeFile(file(QStringLiteral("notes.txt")), "y"); }, false), 0);
}

}  // namespace

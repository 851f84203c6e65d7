#include "platform/Bundle.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

TEST(BundleTest, OpensOnlyAnExistingFolder) {
    const TempHome home;
    const QString file = home.write(QStringLiteral("plain.txt"), "x");
    EXPECT_EQ(Bundle::initWithPath(QString()), nullptr);
    EXPECT_EQ(Bundle::initWithPath(home.path() + QStringLiteral("/missing")), nullptr);
    EXPECT_EQ(Bundle::initWithPath(file), nullptr);
    const std::unique_ptr<Bundle> bundle = Bundle::initWithPath(home.path());
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->bundlePath(), home.path());
}

TEST(BundleTest, FindsOnlyRegularFilesInsideTheBundle) {
    // <home>/secret.png lies beside the bundle <home>/b, as a user's private file would.
    const TempHome home;
    home.write(QStringLiteral("secret.png"), "private");
    home.write(QStringLiteral("b/top.txt"), "t");
    home.write(QStringLiteral("b/qir/background.png"), "p");
    QDir(home.path()).mkpath(QStringLiteral("b/qir/folder.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.path() + QStringLiteral("/b/qir/pipe.png")), 0600),
              0);
    const std::unique_ptr<Bundle> bundle = Bundle::initWithPath(home.path() + QStringLiteral("/b"));
    ASSERT_NE(bundle, nullptr);

    const QString nul(QChar(0));
    const struct {
        QString name, type, directory;
        const char* found;  // under the bundle; nullptr: a null string
    } rows[] = {
        {"background", "png", "qir", "/qir/background.png"},
        {"top", "txt", "", "/top.txt"},
        {"background.png", "", "qir", "/qir/background.png"},  // the type in the name
        {"background", "jpg", "qir", nullptr},
        {"missing", "png", "qir", nullptr},
        {"background", "png", "default", nullptr},
        {"", "png", "qir", nullptr},
        // A folder is no picture, and a pipe would block whoever opens it for good.
        {"folder", "png", "qir", nullptr},
        {"pipe", "png", "qir", nullptr},
        {"qir", "", "", nullptr},
        // Nothing reaches outside the bundle.
        {"secret", "png", "..", nullptr},
        {"../secret", "png", "", nullptr},
        {"../../secret", "png", "qir", nullptr},
        {"secret", "png", "qir/../..", nullptr},
        {"secret.png", "", "/..", nullptr},
        {"secret", "png", home.path(), nullptr},
        {"..", "", "", nullptr},
        {"qir/background", "png", "", nullptr},
        {"background", "png/..", "qir", nullptr},
        {"background" + nul, "png", "qir", nullptr},
        {"background", "png", "qir" + nul, nullptr},
    };
    for (const auto& row : rows) {
        const QString path = bundle->pathForResource(row.name, row.type, row.directory);
        if (row.found == nullptr) {
            EXPECT_TRUE(path.isNull()) << path.toStdString();
        } else {
            EXPECT_EQ(path, bundle->bundlePath() + QString::fromLatin1(row.found));
        }
    }
}

}  // namespace

#include "platform/Bundle.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

// Beside the bundle <home>/b lies <home>/secret.png, as a user's private file would.
TEST(BundleTest, FindsOnlyRegularFilesInsideAnExistingBundle) {
    const TempHome home;
    home.write("secret.png", "private");
    home.write("b/top.txt", "t");
    home.write("b/qir/background.png", "p");
    QDir(home.path()).mkpath("b/qir/folder.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.path() + "/b/qir/pipe.png"), 0600), 0);
    EXPECT_EQ(Bundle::initWithPath(home.path() + "/secret.png"), nullptr);
    EXPECT_EQ(Bundle::initWithPath(home.path() + "/missing"), nullptr);
    const std::unique_ptr<Bundle> bundle = Bundle::initWithPath(home.path() + "/b");
    ASSERT_NE(bundle, nullptr);
    forEachRow("bundle_paths.json", [&](const QJsonValue& row) {
        const QString folder = row[2].toString().replace("<home>", home.path());
        const QString path = bundle->pathForResource(row[0].toString(), row[1].toString(), folder);
        EXPECT_EQ(path, row[3].isNull() ? QString() : home.path() + "/b/" + row[3].toString());
        EXPECT_EQ(path.isNull(), row[3].isNull());
    });
}

}  // namespace

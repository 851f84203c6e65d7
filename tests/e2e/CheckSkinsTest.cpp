#include <QFileInfo>

#include <gtest/gtest.h>

#include "support/HostileSkins.h"
#include "support/RunApp.h"
#include "support/TempHome.h"

namespace {

class CheckSkinsTest : public ::testing::Test {
protected:
    TempHome home;
    // The skins made and the report expected of them.
    const QJsonObject spec =
        QJsonDocument::fromJson(testData("skin-report.json").replace("$HOME", home.path().toUtf8()))
            .object();
};

TEST_F(CheckSkinsTest, ReportsCustomSkinsBesideThePackagedOnesAndFailsOnProblems) {
    const QStringList check{"--home", home.path(), "--check-skins", "--json",
                            "--size", "800x600",   "--idiom",       "pad"};
    // The first run installs the packaged skins; they must all be fine at this size.
    ASSERT_EQ(runApp(check).status, 0);
    makeTree(home.installedBundle(), spec["skins"].toObject());
    const Finished done = runApp(check);
    EXPECT_EQ(done.status, 1);
    const QJsonArray skins = QJsonDocument::fromJson(done.out.toUtf8())["skins"].toArray();
    EXPECT_EQ(skins.size(), 4);
    for (const QJsonValue skin : skins)
        EXPECT_TRUE(covers(skin, spec["report"][skin["name"].toString()])) << shown(skin);
}

// A draft outside the bundle, checked without installing anything: warnings alone pass unless
// --strict, and each names its file, entry and key.
TEST_F(CheckSkinsTest, ChecksOneFolderAnywhere) {
    const QString draft = home.path() + "/drafts/my skin";
    makeTree(draft, spec["draft"].toObject());
    const Finished json = runApp({"--home", home.path(), "--check-skin", draft, "--json"});
    EXPECT_EQ(json.status, 0) << json.err.join('\n').toStdString();
    EXPECT_TRUE(covers(QJsonDocument::fromJson(json.out.toUtf8()).object(), spec["draftReport"]))
        << json.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/Documents"));
    const Finished strict = runApp({"--home", home.path(), "--check-skin", draft, "--strict"});
    EXPECT_EQ(strict.status, 1);
    EXPECT_TRUE(strict.out.contains(spec["strictLine"].toString())) << strict.out.toStdString();
    for (const QString& notAFolder : {home.write("file", "x"), home.path() + "/nothing"})
        EXPECT_EQ(runApp({"--check-skin", notAFolder}).status, 2);
}

}  // namespace

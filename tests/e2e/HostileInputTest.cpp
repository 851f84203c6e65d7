#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/HostileSkins.h"
#include "support/RunApp.h"

namespace {

// The skins made and the report expected of them.
QJsonObject reportSpec(const TempHome& home) {
    return QJsonDocument::fromJson(
               testData("skin-report.json").replace("$HOME", home.path().toUtf8()))
        .object();
}

TEST(CheckSkinsTest, ReportsCustomSkinsBesideThePackagedOnesAndFailsOnProblems) {
    const TempHome home;
    const QJsonObject spec = reportSpec(home);
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
TEST(CheckSkinsTest, ChecksOneFolderAnywhere) {
    const TempHome home;
    const QJsonObject spec = reportSpec(home);
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
        EXPECT_EQ(runApp({"--home", home.path(), "--check-skin", notAFolder}).status, 2);
}

// With skin.bundle a file the window still comes up, saying why it shows no skin.
TEST(HostileInputTest, TheWindowComesUpWithoutAnySkin) {
    const TempHome home;
    home.write("Documents/skin.bundle", "a file");
    const Finished shot =
        runApp({"--home", home.path(), "--sensor", "replay:" + home.write("none", {}),
                "--screenshot", home.path() + "/shot.png", "--timeout", "1"});
    EXPECT_EQ(shot.status, 0) << shot.err.join('\n').toStdString();
    EXPECT_TRUE(shot.err.contains("skin.bundle NOT exist in your project."));
    EXPECT_TRUE(QFileInfo(home.path() + "/shot.png").size() > 0);
    const Finished check = runApp({"--home", home.path(), "--check-skins", "--json"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(QJsonDocument::fromJson(check.out.toUtf8())["bundleOpened"], false);
}

// Every bad command line ends at once with one short "vell-thermo: ..." line, installing
// nothing; input the program can take (a replay it cannot use) still brings the window up.
TEST(HostileInputTest, AbusedCommandLinesAsTheTableSays) {
    const TempHome home;
    eachRow("hostile-command-lines.json", [&](const QJsonValue& row) {
        makeTree(home.path(), row["files"].toObject());
        QStringList arguments;
        for (const QJsonValue arg : row["args"].toArray())
            arguments << QString::fromUtf8(expand(arg)).replace("$HOME", home.path());
        if (!arguments.contains("--home")) arguments << "--home" << home.path() + "/h";
        const Finished done = runApp(arguments);
        EXPECT_EQ(done.status, row["status"].toInt()) << done.err.join('\n').toStdString();
        EXPECT_TRUE(done.out.contains(row["out"].toString())) << done.out.toStdString();
        if (row["status"].toInt() == 0) return;
        const QStringList ours = done.err.filter(QRegularExpression("^vell-thermo: "));
        ASSERT_EQ(ours.size(), 1) << done.err.join('\n').toStdString();
        EXPECT_LT(ours.first().size(), 400);
        EXPECT_TRUE(done.out.isEmpty());
        EXPECT_EQ(QFileInfo::exists(home.path() + "/h/Documents"), row["status"].toInt() == 1);
    });
}

}  // namespace

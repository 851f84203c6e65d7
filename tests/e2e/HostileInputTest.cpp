#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/HostileSkins.h"
#include "support/RunApp.h"
#include "support/TempHome.h"

namespace {

class HostileInputTest : public ::testing::Test {
protected:
    // The report on the test's home at 800x600 for the Mac.
    Finished check() const {
        return runApp({"--home", home.path(), "--check-skins", "--json", "--size", "800x600"});
    }
    // A run of the window that must come up: a screenshot after at most a second.
    Finished screenshot() const {
        return runApp({"--home", home.path(), "--sensor", "replay:" + home.write("none", {}),
                       "--screenshot", home.path() + "/shot.png", "--timeout", "1"});
    }

    TempHome home;
};

// qir, the skin every start shows, made of the worst of hostile-skins.json; then no bundle.
TEST_F(HostileInputTest, TheWindowComesUpOverAHostileSkinOrNoneAtAll) {
    ASSERT_EQ(check().status, 0);  // installs the packaged skins
    for (const QJsonValue row : QJsonDocument::fromJson(testData("hostile-skins.json")).array())
        if (row["name"] == "huge-header" || row["name"] == "thousand-entries")
            makeTree(home.installedBundle() + "/qir", row["files"].toObject());
    Finished done = screenshot();
    EXPECT_EQ(done.status, 0) << done.err.join('\n').toStdString();
    EXPECT_TRUE(done.err.contains("744 labels.plist entries past the first 256 not shown."));
    EXPECT_FALSE(QImage(home.path() + "/shot.png").isNull());

    QDir(home.installedBundle()).removeRecursively();
    home.write("Documents/skin.bundle", "a file");
    done = screenshot();
    EXPECT_EQ(done.status, 0) << done.err.join('\n').toStdString();
    EXPECT_TRUE(done.err.contains("skin.bundle NOT exist in your project."));
    done = check();
    EXPECT_EQ(done.status, 1);
    EXPECT_EQ(QJsonDocument::fromJson(done.out.toUtf8())["bundleOpened"], false);
}

// Every bad command line ends at once with one short "vell-thermo: ..." line, installing
// nothing; input the program can take (a replay it cannot use) still brings the window up.
TEST_F(HostileInputTest, AbusedCommandLinesAsTheTableSays) {
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

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/HostileSkins.h"
#include "support/RunApp.h"

namespace {

TEST(CheckSkinsTest, ReportsCustomSkinsBesideThePackagedOnesAndFailsOnProblems) {
    const TempHome home;
    const QJsonObject table =
        QJsonDocument::fromJson(testData("skin-report.json").replace("$HOME", home.path().toUtf8()))
            .object();
    const QStringList check{"--home", home.path(), "--check-skins", "--json",
                            "--size", "800x600",   "--idiom",       "pad"};
    // The first run installs the packaged skins; they must all be fine at this size.
    ASSERT_EQ(runApp(check).status, 0);
    makeTree(home.installedBundle(), table["skins"].toObject());
    const Finished done = runApp(check);
    EXPECT_EQ(done.status, 1);
    const QJsonArray skins = QJsonDocument::fromJson(done.out.toUtf8())["skins"].toArray();
    EXPECT_EQ(skins.size(), 4);
    for (const QJsonValue skin : skins)
        EXPECT_COVERS(skin, table["report"][skin["name"].toString()]);
}

// Runs of the program in a home of their own: the status, what it prints and logs, and whether
// it made the home's Documents; a refused command line says why in one short line.
class HostileCommandLineRows : public TableTest {};
TEST_P(HostileCommandLineRows, EndWithTheirStatusOutputAndLog) {
    const QJsonValue& row = GetParam().value;
    const TempHome home;
    const auto text = [&](const QJsonValue& parts) {
        return QString::fromUtf8(expand(parts)).replace("$HOME", home.path());
    };
    makeTree(home.path(), row["files"].toObject());
    QStringList arguments;
    for (const QJsonValue arg : row["args"].toArray()) arguments << text(arg);
    if (!arguments.contains("--home")) arguments << "--home" << home.path();
    const Finished done = runApp(arguments);
    const QString err = done.err.join('\n');
    EXPECT_EQ(done.status, row["status"].toInt()) << err.toStdString();
    EXPECT_TRUE(done.out.contains(text(row["out"]))) << done.out.toStdString();
    EXPECT_TRUE(err.contains(text(row["err"]))) << err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(done.out.toUtf8()).object();
    if (!row["json"].isUndefined()) {
        EXPECT_COVERS(json, row["json"]);
    }
    EXPECT_EQ(QFileInfo::exists(home.path() + "/Documents"), row["installs"].toBool());
    if (!row["refused"].toBool()) return;
    const QStringList ours = done.err.filter(QRegularExpression("^vell-thermo: "));
    ASSERT_EQ(ours.size(), 1) << err.toStdString();
    EXPECT_LT(ours.first().size(), 400);
    EXPECT_TRUE(done.out.isEmpty());
}
VELL_TABLE(HostileCommandLineRows, "hostile-command-lines.json");

}  // namespace

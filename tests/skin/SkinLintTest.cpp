#include "platform/Bundle.h"
#include "skin/PictureChoice.h"
#include "skin/SkinReport.h"

#include <gtest/gtest.h>

#include "support/HostileSkins.h"
#include "support/TempHome.h"

namespace {

TEST(PictureChoiceTest, NameFollowsIdiomAndShapeAndThePackagedSkinsHaveIt) {
    const std::unique_ptr<Bundle> packaged = Bundle::initWithPath(VELL_TEST_SKIN_BUNDLE);
    ASSERT_NE(packaged, nullptr);
    eachRow("skin-pictures.json", [&](const QJsonValue& row) {
        const QString name =
            backgroundResourceName(row[0].toInt(), QSizeF(row[1].toDouble(), row[2].toDouble()));
        EXPECT_EQ(name, row[3].toString());
        for (const char* skin : {"qir", "default"})
            EXPECT_FALSE(packaged->pathForResource(name, "png", skin).isNull()) << skin;
    });
}

// Each warning names the skin, file, entry and key; every picture but those of the row is a
// 600x600 one, which covers a 1024x768 window well enough.
TEST(SkinLintTest, WarnsOneLineEachAsTheTableSays) {
    eachRow("skin-lint.json", [](const QJsonValue& row) {
        const TempHome home;
        QJsonObject files = row["files"].toObject();
        for (const QString& name : allBackgroundResourceNames())
            if (!files.contains(name + ".png"))
                files[name + ".png"] = QJsonObject{{"png", QJsonArray{600, 600}}};
        makeTree(home.path() + "/s", files);
        const SkinReport report =
            SkinReport::buildForFolder(home.path() + "/s/", QSizeF(1024, 768), 5);
        ASSERT_EQ(report.skins.size(), 1);
        QStringList lines;
        for (const SkinWarning& warning : report.skins.first().warnings)
            lines << warning.line(report.skins.first().name);
        const QJsonArray expected = row["warnings"].toArray();
        ASSERT_EQ(lines.size(), expected.size()) << lines.join('\n').toStdString();
        for (qsizetype i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(lines[i].startsWith(expected[i].toString()))
                << lines[i].toStdString() << "\n  expected to start with\n"
                << expected[i].toString().toStdString();
        // Warnings alone are no problem.
        EXPECT_EQ(report.hasProblems(), row["problems"].toBool());
        EXPECT_EQ(report.hasWarnings(), !expected.isEmpty());
    });
}

}  // namespace

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"
#include "support/RunApp.h"
#include "support/SkinFiles.h"
#include "support/TempHome.h"

inline void PrintTo(const QJsonObject& o, std::ostream* os) {
    *os << QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

namespace {

const QByteArray kLabels = labelsPlist(
    "<dict><key>TITLE</key><string>Web</string><key>URL</key><string>https://example.org/w</string>"
    "<key>FONTSIZE</key><integer>20</integer><key>BOTTOM</key><integer>10</integer>"
    "<key>COLOR_RED</key><integer>92</integer><key>COLOR_ALPHA</key><integer>90</integer></dict>"
    "<dict><key>TITLE</key><string>&lt;i&gt;local&lt;/i&gt;</string><key>URL</key>"
    "<string>file:///etc/passwd</string><key>FONTSIZE</key><integer>10</integer>"
    "<key>BOTTOM</key><integer>6</integer></dict>"
    "<dict><key>TITLE</key><string>plain</string></dict>");

class CheckSkinsTest : public ::testing::Test {
protected:
    // The exit code and standard output of one report on the home; -1 when it did not finish.
    std::pair<int, QJsonDocument> check(const QStringList& more = {}) const {
        const Finished done = runApp(
            QStringList{"--home", home.path(), "--json", "--size", "800x600", "--idiom", "pad"} +
            more);
        return {done.status, QJsonDocument::fromJson(done.out.toUtf8())};
    }

    // A skin folder with labels.plist and one small picture of the given name.
    void makeSkin(const QString& name, const QString& picture) const {
        home.write("Documents/skin.bundle/" + name + "/labels.plist", kLabels);
        home.write("Documents/skin.bundle/" + name + '/' + picture + ".png", png({40, 30}));
    }

    static QJsonObject skinNamed(const QJsonDocument& report, const QString& name) {
        for (const QJsonValue& skin : report[QStringLiteral("skins")].toArray())
            if (skin[QStringLiteral("name")] == name) return skin.toObject();
        return {};
    }

    TempHome home;
};

TEST_F(CheckSkinsTest, ReportsCustomSkinsBesideThePackagedOnesAndFailsOneWithoutItsPicture) {
    // The first run installs the packaged skins; they must all be fine at this size.
    ASSERT_EQ(check({"--check-skins"}).first, 0);
    makeSkin("custom", "background_iPad_Landscape");
    makeSkin("broken", "background_iPad_Portrait");
    const auto [status, report] = check({"--check-skins"});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(report["skins"].toArray().size(), 4);
    EXPECT_EQ(skinNamed(report, "qir")["problems"], QJsonArray());
    const QJsonObject broken = skinNamed(report, "broken");
    EXPECT_EQ(broken["picture"]["exists"], false);
    EXPECT_TRUE(broken["problems"].toArray().contains("(null) NOT exist."));
    EXPECT_EQ(broken["labels"].toArray().size(), 3);

    const QJsonObject custom = skinNamed(report, "custom");
    ASSERT_FALSE(custom.isEmpty()) << report.toJson().toStdString();
    EXPECT_EQ(custom["picture"].toObject(),
              (QJsonObject{{"name", "background_iPad_Landscape"},
                           {"path", home.path() + "/Documents/skin.bundle/custom/"
                                                  "background_iPad_Landscape.png"},
                           {"exists", true},
                           {"decodes", true},
                           {"width", 40},
                           {"height", 30}}));
    EXPECT_EQ(custom["problems"], QJsonArray());

    // Placement has its own tests; here, each field as the report writes it.
    const QJsonArray labels = custom["labels"].toArray();
    ASSERT_EQ(labels.size(), 3);
    EXPECT_EQ(labels[0]["frame"].toObject(),
              (QJsonObject{{"x", 0}, {"y", 566}, {"width", 800}, {"height", 24}}));
    EXPECT_EQ(labels[0]["color"].toObject(),
              (QJsonObject{{"red", static_cast<double>(92.0f / 255.0f)},
                           {"green", 0},
                           {"blue", 0},
                           {"alpha", static_cast<double>(90.0f / 100.0f)}}));
    EXPECT_EQ(labels[0]["title"], "Web");
    EXPECT_EQ(labels[0]["url"], "https://example.org/w");
    EXPECT_EQ(labels[0]["opens"], true);
    EXPECT_EQ(labels[1]["title"], "<i>local</i>");
    EXPECT_EQ(labels[1]["opens"], false);  // a file: link
    EXPECT_EQ(labels[2]["url"], QJsonValue::Null);
}

// A draft skin outside the home: warnings alone pass unless --strict, and each names its entry
// and key.
TEST_F(CheckSkinsTest, ChecksOneFolderAnywhereAndNamesEveryTypo) {
    const QString draft = home.path() + "/drafts/my skin";
    home.write("drafts/my skin/background_Mac_Landscape.png", png({1024, 768}));
    home.write("drafts/my skin/labels.plist",
               labelsPlist("<dict><key>TITLE</key><string>a</string><key>FONT_SIZE</key>"
                           "<integer>18</integer></dict><dict><key>TITEL</key><string>b</string>"
                           "</dict>"));
    const Finished json = runApp({"--check-skin", draft, "--json"});
    EXPECT_EQ(json.status, 0) << ::testing::PrintToString(json.err);
    const QJsonDocument report = QJsonDocument::fromJson(json.out.toUtf8());
    EXPECT_EQ(report["oneFolder"], true);
    QStringList named;  // entry and key of every labels.plist warning
    for (const QJsonValue warning : report["skins"][0]["warnings"].toArray())
        if (warning["file"] == "labels.plist")
            named << QStringLiteral("%1 %2")
                         .arg(warning["entry"].toInt())
                         .arg(warning["key"].toString());
    EXPECT_EQ(named, QStringList({"1 FONT_SIZE", "2 TITEL", "2 TITLE"}));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/Documents"));

    const Finished strict = runApp({"--check-skin", draft, "--strict"});
    EXPECT_EQ(strict.status, 1);
    EXPECT_TRUE(
        strict.out.contains("  warning  my skin/labels.plist entry 2 TITEL: unknown key, "
                            "ignored; did you mean TITLE?\n"))
        << strict.out.toStdString();
    for (const QString& notAFolder : {home.write("file", "x"), home.path() + "/nothing"})
        EXPECT_EQ(runApp({"--check-skin", notAFolder}).status, 2);
}

}  // namespace

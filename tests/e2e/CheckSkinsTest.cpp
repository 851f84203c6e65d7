#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

inline void PrintTo(const QJsonObject& o, std::ostream* os) {
    *os << QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

namespace {

const QByteArray kLabels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>"
    "<dict><key>TITLE</key><string>Web</string><key>URL</key><string>https://example.org/w</string>"
    "<key>FONTSIZE</key><integer>20</integer><key>BOTTOM</key><integer>10</integer>"
    "<key>COLOR_RED</key><integer>92</integer><key>COLOR_ALPHA</key><integer>90</integer></dict>"
    "<dict><key>TITLE</key><string>&lt;i&gt;local&lt;/i&gt;</string><key>URL</key>"
    "<string>file:///etc/passwd</string><key>FONTSIZE</key><integer>10</integer>"
    "<key>BOTTOM</key><integer>6</integer></dict>"
    "<dict><key>TITLE</key><string>plain</string></dict>"
    "</array></plist>\n";

class CheckSkinsTest : public ::testing::Test {
protected:
    // The exit code and standard output of one report on the home; -1 when it did not finish.
    std::pair<int, QJsonDocument> check(const QStringList& more = {}) const {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(
            QStringLiteral(VELL_TEST_BINARY),
            QStringList{"--home", home.path(), "--json", "--size", "800x600", "--idiom", "pad"} +
                more);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return {-1, {}};
        return {process.exitCode(), QJsonDocument::fromJson(process.readAllStandardOutput())};
    }

    // A skin folder with labels.plist and one small picture of the given name.
    void makeSkin(const QString& name, const QString& picture) const {
        const QString dir = home.path() + QStringLiteral("/Documents/skin.bundle/") + name;
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile labels(dir + QStringLiteral("/labels.plist"));
        ASSERT_TRUE(labels.open(QIODevice::WriteOnly));
        labels.write(kLabels);
        QImage image(40, 30, QImage::Format_ARGB32);
        image.fill(Qt::yellow);
        ASSERT_TRUE(image.save(dir + '/' + picture + ".png", "PNG"));
    }

    static QJsonObject skinNamed(const QJsonDocument& report, const QString& name) {
        for (const QJsonValue& skin : report[QStringLiteral("skins")].toArray())
            if (skin[QStringLiteral("name")] == name) return skin.toObject();
        return {};
    }

    QTemporaryDir home;
};

TEST_F(CheckSkinsTest, ReportsACustomSkinBesideThePackagedOnes) {
    // The first run installs the packaged skins; they must all be fine at this size.
    ASSERT_EQ(check({"--check-skins"}).first, 0);
    makeSkin(QStringLiteral("custom"), QStringLiteral("background_iPad_Landscape"));
    const auto [status, report] = check({"--check-skins"});
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(skinNamed(report, QStringLiteral("qir")).isEmpty());
    const QJsonObject custom = skinNamed(report, QStringLiteral("custom"));
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

    struct Expected {
        double y, height, red, alpha;
        QString title;
        QJsonValue url;
        bool opens;
    };
    const Expected expected[] = {
        {566, 24, static_cast<double>(92.0f / 255.0f), static_cast<double>(90.0f / 100.0f), "Web",
         "https://example.org/w", true},
        {548, 12, 0, 1, "<i>local</i>", "file:///etc/passwd", false},
        {600 - static_cast<double>(66.4f), 12 * 1.2, 0, 1, "plain", QJsonValue::Null, false},
    };
    const QJsonArray labels = custom["labels"].toArray();
    ASSERT_EQ(labels.size(), 3);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE(i);
        const Expected& e = expected[i];
        const QJsonValue label = labels[i];
        EXPECT_EQ(label["frame"].toObject(),
                  (QJsonObject{{"x", 0}, {"y", e.y}, {"width", 800}, {"height", e.height}}));
        EXPECT_EQ(label["color"].toObject(),
                  (QJsonObject{{"red", e.red}, {"green", 0}, {"blue", 0}, {"alpha", e.alpha}}));
        EXPECT_EQ(label["title"], e.title);
        EXPECT_EQ(label["url"], e.url);
        EXPECT_EQ(label["opens"], e.opens);
    }
}

TEST_F(CheckSkinsTest, SkinWithoutItsPictureFailsTheCheck) {
    makeSkin(QStringLiteral("good"), QStringLiteral("background_iPad_Landscape"));
    makeSkin(QStringLiteral("broken"), QStringLiteral("background_iPad_Portrait"));
    const auto [status, report] = check({"--check-skins"});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(report["skins"].toArray().size(), 2);
    EXPECT_EQ(skinNamed(report, QStringLiteral("good"))["problems"], QJsonArray());
    const QJsonObject broken = skinNamed(report, QStringLiteral("broken"));
    EXPECT_EQ(broken["picture"]["exists"], false);
    EXPECT_TRUE(broken["problems"].toArray().contains(QStringLiteral("(null) NOT exist.")));
    EXPECT_EQ(broken["labels"].toArray().size(), 3);
}

TEST_F(CheckSkinsTest, JsonAloneIsAUsageError) {
    const auto [status, report] = check();
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(report.isNull());
}

}  // namespace

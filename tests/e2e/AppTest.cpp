#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"
#include "support/RunApp.h"
#include "support/SkinFiles.h"
#include "support/TempHome.h"

namespace {

class AppTest : public ::testing::Test {
protected:
    // Runs the program in the test's home.
    Finished run(QStringList arguments, const QByteArray& input = {}) const {
        return runApp(arguments << QStringLiteral("--home") << home.path(), input);
    }
    // The simulated sensor's first screenshot, and the log.
    std::pair<QImage, QStringList> shoot(const QStringList& more = {}) const {
        const QString shot = home.path() + "/shot.png";
        QFile::remove(shot);
        const Finished done =
            run(QStringList{"--sensor", "sim", "--screenshot", shot, "--timeout", "20"} + more);
        EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
        return {QImage(shot, "PNG"), done.err};
    }

    TempHome home;
};

// A damaged record is logged and not counted as a reading; both line endings end a record.
TEST_F(AppTest, ReplaysLogEveryRecordOnceInOrder) {
    const struct {
        bool fromStandardInput;
        QByteArray records;
        QStringList logged;  // reading and refusal lines, in order
    } rows[] = {
        {false,
         "Temp:1\r\nTemp:23.45 Hum:56.78\nTemp:24.06 Hum:50.12\r\n",
         {"Rejected record of 6 bytes: 54656d703a31", QStringLiteral("23.45 \u2103   56.78%"),
          QStringLiteral("24.06 \u2103   50.12%")}},
        {true,
         "Temp:30.00 Hum:40.00\nTemp:30.50 Hum:41.00\n",
         {QStringLiteral("30.00 \u2103   40.00%"), QStringLiteral("30.50 \u2103   41.00%")}},
    };
    for (const auto& row : rows) {
        const QString source = row.fromStandardInput ? "-" : home.write("records.txt", row.records);
        const Finished done =
            run({"--sensor", "replay:" + source, "--interval", "0", "--readings", "2"},
                row.fromStandardInput ? row.records : QByteArray());
        EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
        QStringList logged;  // leaving out Qt's own lines and the link's status lines
        for (const QString& line : done.err)
            if (line.contains(u'\u2103') || line.startsWith("Rejected")) logged.append(line);
        EXPECT_EQ(logged, row.logged) << source.toStdString();
    }
}

TEST_F(AppTest, ScreenshotShowsTheSkinAtTheWindowSize) {
    for (const auto& [size, expected] :
         {std::pair{QStringList(), QSize(1024, 768)},
          std::pair{QStringList{"--size", "600x900"}, QSize(600, 900)}}) {
        const QImage picture = shoot(size).first;
        ASSERT_EQ(picture.size(), expected);
        // The skin's picture fills the middle, not the screen's plain white.
        int white = 0;
        for (int y = -50; y < 50; ++y)
            for (int x = -50; x < 50; ++x)
                if (picture.pixel(picture.width() / 2 + x, picture.height() / 2 + y) ==
                    qRgb(255, 255, 255))
                    ++white;
        EXPECT_LT(white, 5000);
    }
}

// --skin shows another installed skin for one run; a name that is no skin logs what is missing.
TEST_F(AppTest, SkinOptionPreviewsAnotherSkinForOneRunOnly) {
    const auto edge = [&](const QStringList& more) {  // the left edge, below the menu bar
        const QImage picture = shoot(more).first;
        return picture.isNull() ? 0 : picture.pixel(5, picture.height() / 2);
    };
    const QRgb magenta = qRgb(255, 0, 255);
    EXPECT_NE(edge({}), magenta);  // installs the packaged skins
    home.write("Documents/skin.bundle/preview/background_Mac_Landscape.png",
               png({64, 48}, QColor(magenta)));
    EXPECT_EQ(edge({"--skin", "preview"}), magenta);
    const QStringList log = shoot({"--skin", "nosuch"}).second;
    EXPECT_TRUE(log.contains("(null) NOT exist.")) << ::testing::PrintToString(log);
    EXPECT_TRUE(log.contains("labels file NOT found."));
    EXPECT_NE(edge({}), magenta);  // nothing was saved
}

}  // namespace

#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"
#include "support/RunApp.h"
#include "support/SkinFiles.h"
#include "support/TempHome.h"

namespace {

class AppTest : public ::testing::Test {
protected:
    Finished run(QStringList arguments, const QByteArray& input = {}) const {
        return runApp(arguments << "--home" << home.path(), input);
    }
    // The window once the simulated sensor's first reading shows, and the log.
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

// Both line endings end a record; a damaged one is logged and not counted as a reading. A wrong
// command line is an error on standard error.
TEST_F(AppTest, ReplaysFromAFileOrStandardInputLogEveryRecordOnceInOrder) {
    const QByteArray records = "Temp:1\r\nTemp:23.45 Hum:56.78\nTemp:24.06 Hum:50.12\r\n";
    const QStringList logged{"Rejected record of 6 bytes: 54656d703a31",
                             QStringLiteral("23.45 \u2103   56.78%"),
                             QStringLiteral("24.06 \u2103   50.12%")};
    for (const QString& source : {home.write("records.txt", records), QStringLiteral("-")}) {
        const Finished done =
            run({"--sensor", "replay:" + source, "--interval", "0", "--readings", "2"},
                source == "-" ? records : QByteArray());
        EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
        EXPECT_EQ(done.err.filter(QRegularExpression(QStringLiteral("\u2103|^Rejected"))), logged);
    }
    const Finished wrong = run({"--size", "0x0"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.out.isEmpty());
    EXPECT_TRUE(wrong.err.contains(
        "vell-thermo: --size takes WIDTHxHEIGHT, each from 1 to 16384, such as 1024x768."));
}

// The skin fills the window at its size; --skin shows another installed skin for one run only,
// and a name that is no skin logs what is missing.
TEST_F(AppTest, ScreenshotShowsTheSkinAtTheWindowSizeAndSkinPreviewsAnotherForOneRun) {
    const auto whiteInTheMiddle = [](const QImage& picture) {
        int white = 0;
        for (int y = -50; y < 50; ++y)
            for (int x = -50; x < 50; ++x)
                white += picture.pixel(picture.width() / 2 + x, picture.height() / 2 + y) ==
                         qRgb(255, 255, 255);
        return white;
    };
    const auto edge = [](const QImage& picture) {  // the left edge, below the menu bar
        return picture.isNull() ? 0 : picture.pixel(5, picture.height() / 2);
    };
    const QRgb magenta = qRgb(255, 0, 255);
    const QImage first = shoot().first;  // installs the packaged skins
    ASSERT_EQ(first.size(), QSize(1024, 768));
    EXPECT_LT(whiteInTheMiddle(first), 5000);
    EXPECT_NE(edge(first), magenta);

    home.write("Documents/skin.bundle/preview/background_Mac_Landscape.png",
               png({64, 48}, QColor(magenta)));
    const QImage preview = shoot({"--skin", "preview", "--size", "600x900"}).first;
    ASSERT_EQ(preview.size(), QSize(600, 900));
    EXPECT_EQ(edge(preview), magenta);
    const QStringList log = shoot({"--skin", "nosuch"}).second;
    EXPECT_TRUE(log.contains("(null) NOT exist.")) << ::testing::PrintToString(log);
    EXPECT_TRUE(log.contains("labels file NOT found."));
    EXPECT_NE(edge(shoot().first), magenta);  // nothing was saved
}

}  // namespace

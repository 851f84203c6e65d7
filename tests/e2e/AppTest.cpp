#include "platform/FileIdentity.h"
#include "skin/SkinStore.h"

#include <QImage>
#include <QRegularExpression>

#include "support/QtPrinters.h"
#include "support/RunApp.h"
#include "support/SkinFiles.h"
#include "support/TempHome.h"

// A damaged record is logged and not counted; a wrong command line is an error on stderr.
TEST(AppTest, ReplaysFromStandardInputLogEveryRecordOnceInOrder) {
    const TempHome home;
    const Finished done = runApp(
        {"--home", home.path(), "--sensor", "replay:-", "--interval", "0", "--readings", "2"},
        "Temp:1\r\nTemp:23.45 Hum:56.78\nTemp:24.06 Hum:50.12\r\n");
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
    EXPECT_EQ(done.err.filter(QRegularExpression(QStringLiteral("\u2103|^Rejected"))),
              (QStringList{"Rejected record of 6 bytes: 54656d703a31",
                           QStringLiteral("23.45 \u2103   56.78%"),
                           QStringLiteral("24.06 \u2103   50.12%")}));
    const Finished wrong = runApp({"--size", "0x0"});
    EXPECT_TRUE(wrong.status == 2 && wrong.out.isEmpty());
    EXPECT_TRUE(wrong.err.contains(
        "vell-thermo: --size takes WIDTHxHEIGHT, each from 1 to 16384, such as 1024x768."));
}

// The first layout's lines are written as the window is built, before the link's first status,
// in a run that ends at its first reading.
TEST(AppTest, TheFirstLayoutLogsBeforeTheLinkStarts) {
    const TempHome home;
    ASSERT_TRUE(SkinStore::installIfMissing(VELL_TEST_SKIN_BUNDLE, home.installedBundle()));
    QFile::remove(home.installedBundle() + "/qir/labels.plist");
    const Finished done =
        runApp({"--home", home.path(), "--sensor", "sim", "--interval", "0", "--readings", "1"});
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
    const QStringList lines =
        done.err.filter(QRegularExpression(QStringLiteral("^(labels file NOT|scanning)")));
    EXPECT_EQ(lines.value(0), "labels file NOT found.");
    EXPECT_TRUE(lines.contains("scanning...")) << ::testing::PrintToString(done.err);
}

// A second start shows the reduced copy of the picture that the first one wrote, as it is.
TEST(AppTest, ASecondStartTakesTheFirstStartsCopy) {
    const TempHome home;
    const QStringList run{"--home",     home.path(), "--sensor",   "sim",
                          "--interval", "0",         "--readings", "1"};
    ASSERT_EQ(runApp(run).status, 0);
    const QFileInfoList copies =
        QDir(home.path() + "/.cache/vell-thermo/pictures").entryInfoList(QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    const std::optional<FileIdentity> first = FileIdentity::of(copies[0].filePath());
    ASSERT_EQ(runApp(run).status, 0);
    EXPECT_TRUE(first && FileIdentity::of(copies[0].filePath()) == first);  // not written again
}

// The skin fills the window at its size; --skin previews another for one run. The left edge tells.
TEST(AppTest, ScreenshotShowsTheSkinAtTheWindowSizeAndSkinPreviewsAnotherForOneRun) {
    const TempHome home;
    ASSERT_TRUE(SkinStore::installIfMissing(VELL_TEST_SKIN_BUNDLE, home.installedBundle()));
    home.write("Documents/skin.bundle/preview/background_Mac_Landscape.png",
               png({64, 48}, QColor(Qt::magenta)));
    const auto edge = [&](const QStringList& more, QSize size) {
        const QString shot = home.path() + "/" + QString::number(size.width()) + ".png";
        const Finished done = runApp(
            QStringList{"--home", home.path(), "--sensor", "sim", "--screenshot", shot} + more);
        EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
        const QImage picture(shot, "PNG");
        EXPECT_EQ(picture.size(), size);
        return picture.isNull() ? 0 : picture.pixel(5, size.height() / 2);
    };
    EXPECT_EQ(edge({"--skin", "preview", "--size", "600x900"}, {600, 900}), qRgb(255, 0, 255));
    const QRgb qir = edge({}, {1024, 768});  // the skin, not the screen's white; nothing saved
    EXPECT_TRUE(qir != qRgb(255, 255, 255) && qir != qRgb(255, 0, 255));
}

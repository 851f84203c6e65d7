#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"
#include "support/RunApp.h"
#include "support/SkinFiles.h"
#include "support/TempHome.h"

namespace {

class AppTest : public ::testing::Test {
protected:
    // Runs the program, with the test's home unless told otherwise.
    Finished run(QStringList arguments, const QByteArray& input = {}, bool inHome = true) const {
        if (inHome) arguments << QStringLiteral("--home") << home.path();
        return runApp(arguments, input);
    }

    TempHome home;
};

struct Replay {
    const char* name;
    bool fromStandardInput;
    QByteArray records;
    const char* readings;
    QStringList logged;  // reading and refusal lines, in order
};

class ReplayTest : public AppTest, public ::testing::WithParamInterface<Replay> {};

TEST_P(ReplayTest, LogsEveryRecordOnceInOrder) {
    const Replay& c = GetParam();
    const QString source = c.fromStandardInput ? "-" : home.write("records.txt", c.records);
    const Finished done =
        run({"--sensor", "replay:" + source, "--interval", "0", "--readings", c.readings},
            c.fromStandardInput ? c.records : QByteArray());
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
    QStringList logged;  // leaving out Qt's own lines and the link's status lines
    for (const QString& line : done.err)
        if (line.contains(u'\u2103') || line.startsWith("Rejected")) logged.append(line);
    EXPECT_EQ(logged, c.logged);
    EXPECT_TRUE(QFileInfo::exists(home.installedBundle() + "/qir/labels.plist"));
}

// A damaged record is logged and not counted as a reading; both line endings end a record.
INSTANTIATE_TEST_SUITE_P(
    Sources, ReplayTest,
    ::testing::Values(
        Replay{"File",
               false,
               "Temp:1\r\nTemp:23.45 Hum:56.78\nTemp:24.06 Hum:50.12\r\n",
               "2",
               {"Rejected record of 6 bytes: 54656d703a31", QStringLiteral("23.45 \u2103   56.78%"),
                QStringLiteral("24.06 \u2103   50.12%")}},
        Replay{"StandardInput",
               true,
               "Temp:30.00 Hum:40.00\nTemp:30.50 Hum:41.00\n",
               "2",
               {QStringLiteral("30.00 \u2103   40.00%"), QStringLiteral("30.50 \u2103   41.00%")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppTest, ScreenshotShowsTheSkinAtTheWindowSize) {
    const QString shot = home.path() + "/shot.png";
    for (const auto& [size, expected] :
         {std::pair{QStringList(), QSize(1024, 768)},
          std::pair{QStringList{"--size", "600x900"}, QSize(600, 900)}}) {
        QFile::remove(shot);
        const Finished done =
            run(QStringList{"--sensor", "sim", "--screenshot", shot, "--timeout", "20"} + size);
        EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
        const QImage picture(shot, "PNG");
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), expected);
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
    const QString shot = home.path() + "/shot.png";
    const auto edge = [&](const QStringList& more) {
        QFile::remove(shot);
        const Finished done =
            run(QStringList{"--sensor", "sim", "--screenshot", shot, "--timeout", "20"} + more);
        EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
        const QImage picture(shot, "PNG");  // the left edge, below the menu bar
        return std::pair(picture.isNull() ? 0 : picture.pixel(5, picture.height() / 2), done.err);
    };
    const QRgb magenta = qRgb(255, 0, 255);
    EXPECT_NE(edge({}).first, magenta);  // installs the packaged skins
    home.write("Documents/skin.bundle/preview/background_Mac_Landscape.png",
               png({64, 48}, QColor(magenta)));
    EXPECT_EQ(edge({"--skin", "preview"}).first, magenta);
    const QStringList log = edge({"--skin", "nosuch"}).second;
    EXPECT_TRUE(log.contains("(null) NOT exist.")) << ::testing::PrintToString(log);
    EXPECT_TRUE(log.contains("labels file NOT found."));
    EXPECT_NE(edge({}).first, magenta);  // nothing was saved
}

// Bad options and unusable places: exit 2 with one message before anything is installed.
TEST_F(AppTest, ExitsTwoOnBadInputAndZeroForHelpAndVersion) {
    const QString file = home.write("not-a-folder", "x");
    for (const QStringList& arguments : {QStringList{"--sensor", "sim", "--size", "0x0"},
                                         {"--sensor", "sim", "--home", file},
                                         {"--sensor", "replay:/nonexistent"},
                                         {"--sensor", "sim", "--skin", "../qir"},
                                         {"--sensor", "replay:" + home.path()}}) {
        const Finished done = run(arguments, {}, !arguments.contains("--home"));
        EXPECT_EQ(done.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(done.err.first().startsWith("vell-thermo:"))
            << ::testing::PrintToString(done.err);
    }
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/Documents"));

    const Finished help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--sensor"));
    const Finished version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("vell-thermo ")) << version.out.toStdString();
}

}  // namespace

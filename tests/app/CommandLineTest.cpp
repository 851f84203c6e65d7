#include "app/CommandLine.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <tuple>

#include "support/QtPrinters.h"

// Rows name only the options that differ from the defaults; the rest keep theirs.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Sensor = Options::Sensor;

CommandLine parse(const QStringList& arguments) {
    return CommandLine::parse(QStringList{"vell-thermo"} + arguments);
}

TEST(CommandLineTest, AcceptedLinesGiveTheirOptions) {
    const std::pair<QStringList, Options> rows[] = {
        {{}, {}},
        {{"--home=/tmp/with space"}, {.home = "/tmp/with space"}},
        {{"--sensor", "sim"}, {.sensor = Sensor::Simulated}},
        {{"--sensor", "ble"}, {.sensor = Sensor::Ble}},
        {{"--sensor=replay:-"}, {.sensor = Sensor::Replay, .replayPath = "-"}},
        {{"--sensor", "replay:a:b"}, {.sensor = Sensor::Replay, .replayPath = "a:b"}},
        {{"--interval", "0"}, {.intervalMs = 0}},
        {{"--interval", "3600000"}, {.intervalMs = 3'600'000}},
        {{"--size", "1x1"}, {.size = {1, 1}}},
        {{"--size", "16384x16384"}, {.size = {16384, 16384}}},
        {{"--size", "10x10", "--size", "20x30"}, {.size = {20, 30}}},  // the last one counts
        {{"--idiom", "mac"}, {.idiom = 5}},
        {{"--idiom", "pad"}, {.idiom = 1}},
        {{"--screenshot", "s.png", "--timeout", "0"}, {.screenshot = "s.png", .timeoutSeconds = 0}},
        {{"--timeout", "86400"}, {.timeoutSeconds = 86'400}},
        {{"--readings", "1"}, {.readings = 1}},
        {{"--readings", "999999999"}, {.readings = 999'999'999}},
        {{"--skin", "my skin.v2"}, {.skin = "my skin.v2"}},
        {{"--skin=..hidden"}, {.skin = "..hidden"}},
        {{"--check-skins", "--json", "--strict"},
         {.checkSkins = true, .json = true, .strict = true}},
        {{"--check-skin", "../x/"}, {.checkSkin = "../x/"}},
        {{"--home", "/h", "--sensor", "sim", "--interval", "10", "--size", "640x480", "--idiom",
          "phone", "--screenshot", "s.png", "--timeout", "3", "--readings", "2", "--skin", "b"},
         {"/h", Sensor::Simulated, {}, 10, {640, 480}, 0, "s.png", 3, 2, "b"}},
    };
    // Every field, so that no option changes another by the way.
    const auto fields = [](const Options& o) {
        return std::tuple(o.home.toStdString(), o.sensor, o.replayPath.toStdString(), o.intervalMs,
                          o.size.width(), o.size.height(), o.idiom, o.screenshot.toStdString(),
                          o.timeoutSeconds, o.readings, o.skin.toStdString(), o.checkSkins,
                          o.checkSkin.toStdString(), o.json, o.strict);
    };
    for (const auto& [arguments, expected] : rows) {
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.outcome, CommandLine::Outcome::Run) << line.text.toStdString();
        EXPECT_EQ(fields(line.options), fields(expected)) << arguments.join(' ').toStdString();
    }
}

TEST(CommandLineTest, RefusedLinesAreErrorsWithAMessage) {
    // Argument lists separated by ',', their arguments by '|'.
    const QString rows = QStringLiteral(
        "--colour|red,-x,extra,--sensor|sim|extra,--size,--size|0x0,--size|0x10,--size|-5x7,"
        "--size|99999999x1,--size|16385x1,--size|1x9999999999,--size|10x,--size|x10,"
        "--size|10x10x10,--size| 10x10,--size|10X10,--size|1e3x10,--size|\uFF11\uFF10x10,"
        "--idiom|tv,--idiom|Mac,--idiom|,--sensor|foo,--sensor|replay:,--sensor|replay,--sensor|,"
        "--interval|-1,--interval|3600001,--interval|1e3,--interval|\u0661,--interval|,"
        "--readings|0,--readings|-3,--timeout|abc,--timeout|86401,--home|,--screenshot|,"
        "--skin|,--skin|.,--skin|..,--skin|a/b,--skin|/qir,--skin|qir/,--skin|a\0b,--json,"
        "--strict,--check-skin|,--check-skins|--check-skin|x");
    for (const QString& row : rows.split(u',')) {
        const CommandLine line = parse(row.split(u'|'));
        EXPECT_EQ(line.outcome, CommandLine::Outcome::Error) << row.toStdString();
        EXPECT_FALSE(line.text.trimmed().isEmpty()) << row.toStdString();
    }
}

TEST(CommandLineTest, HelpNamesEveryOptionAndVersionIsOneLine) {
    for (const char* flag : {"--help", "-h"}) {
        const CommandLine line = parse({flag});
        EXPECT_EQ(line.outcome, CommandLine::Outcome::Help) << flag;
        for (const char* option : {"--home", "--sensor", "--interval", "--size", "--idiom",
                                   "--screenshot", "--timeout", "--readings", "--version"})
            EXPECT_TRUE(line.text.contains(QLatin1String(option))) << option;
    }
    static const QRegularExpression version(QStringLiteral("^vell-thermo \\d+\\.\\d+\\.\\d+\\n$"));
    for (const char* flag : {"--version", "-v"}) {
        const CommandLine line = parse({flag});
        EXPECT_EQ(line.outcome, CommandLine::Outcome::Version) << flag;
        EXPECT_TRUE(version.match(line.text).hasMatch()) << line.text.toStdString();
    }
}

}  // namespace

#include "app/CommandLine.h"

#include <QJsonObject>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

// Every option, so that a row shows that no option changes another by the way.
QJsonObject fields(const Options& o) {
    const char* const sensors[] = {"ble", "sim", "replay"};
    return {{"home", o.home},
            {"sensor", sensors[static_cast<int>(o.sensor)]},
            {"replayPath", o.replayPath},
            {"intervalMs", o.intervalMs},
            {"size", QStringLiteral("%1x%2").arg(o.size.width()).arg(o.size.height())},
            {"idiom", o.idiom},
            {"screenshot", o.screenshot},
            {"timeoutSeconds", o.timeoutSeconds},
            {"readings", o.readings},
            {"skin", o.skin},
            {"checkSkins", o.checkSkins},
            {"checkSkin", o.checkSkin},
            {"json", o.json},
            {"strict", o.strict}};
}

TEST(CommandLineTest, EachLineRunsWithItsOptionsOrGivesItsText) {
    const QStringList outcomes{"run", "help", "version", "error"};
    forEachRow("command_lines.json", [&](const QJsonValue& row) {
        const CommandLine line = CommandLine::parse(QStringList{"vell-thermo"} + strings(row[0]));
        EXPECT_EQ(outcomes.value(static_cast<int>(line.outcome)), row[1].toString());
        if (line.outcome != CommandLine::Outcome::Run) {
            EXPECT_TRUE(line.text.startsWith(row[2].toString())) << line.text.toStdString();
            return;
        }
        QJsonObject expected = fields(Options{});
        for (const QString& key : row[2].toObject().keys()) expected[key] = row[2][key];
        EXPECT_EQ(QJsonDocument(fields(line.options)).toJson().toStdString(),
                  QJsonDocument(expected).toJson().toStdString());
    });
}

}  // namespace

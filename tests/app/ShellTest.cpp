#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/MenuBuilder.h"
#include "platform/HomeDirectory.h"

#include <QAction>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>

#include "support/OpenedUrls.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

// Every option by name, so that a row also shows that no option changes another by the way.
static QJsonObject fields(const Options& o) {
    const QStringList names{"home",     "sensor",  "replayPath", "intervalMs",
                            "size",     "idiom",   "screenshot", "timeoutSeconds",
                            "readings", "skin",    "checkSkins", "checkSkin",
                            "json",     "strict",  "headless",   "timeoutSet",
                            "device",   "mqttUrl", "mqttCa",     "mqttCredentials"};
    const QString sensor = QStringList{"ble", "sim", "replay"}[static_cast<int>(o.sensor)];
    const QString size = QStringLiteral("%1x%2").arg(o.size.width()).arg(o.size.height());
    const QVariantList values{o.home,       sensor,
                              o.replayPath, o.intervalMs,
                              size,         static_cast<int>(o.idiom),
                              o.screenshot, o.timeoutSeconds,
                              o.readings,   o.skin,
                              o.checkSkins, o.checkSkin,
                              o.json,       o.strict,
                              o.headless,   o.timeoutSet,
                              o.device,     o.mqttUrl,
                              o.mqttCa,     o.mqttCredentials};
    QJsonObject all;
    for (qsizetype i = 0; i < names.size(); ++i) all[names[i]] = QJsonValue::fromVariant(values[i]);
    return all;
}

TEST(CommandLineTest, EachLineRunsWithItsOptionsOrGivesItsText) {
    forEachRow("command_lines.json", [&](const QJsonValue& row) {
        const CommandLine line = CommandLine::parse(QStringList{"vell-thermo"} + strings(row[0]));
        const int outcome = static_cast<int>(line.outcome);
        EXPECT_EQ(QStringList({"run", "help", "version", "error"}).value(outcome),
                  row[1].toString());
        QJsonObject expected = fields(Options{});
        for (const QString& key : row[2].toObject().keys()) expected[key] = row[2][key];
        if (line.outcome == CommandLine::Outcome::Run)
            EXPECT_EQ(QJsonDocument(fields(line.options)).toJson(QJsonDocument::Compact),
                      QJsonDocument(expected).toJson(QJsonDocument::Compact));
        else
            EXPECT_TRUE(line.text.startsWith(row[2].toString())) << line.text.toStdString();
    });
}

// The home has characters that mean something in a URL, and others outside ASCII.
TEST(DocumentsMenuTest, DocumentsComesFirstInlineAndOpensTheHomeByMenuAndByShortcut) {
    const TempHome temp;
    const QString home = temp.path() + QStringLiteral("/a #1 100% ?x=y Grüße ✓");
    QDir().mkpath(home);
    HomeDirectory::setPath(home);
    MainWindow window;
    auto* field = new QLineEdit(&window);
    window.setCentralWidget(field);
    MenuBuilder menus(window.menuBar());
    AppDelegate delegate;
    delegate.buildMenuWithBuilder(menus);
    OpenedUrls opened;

    QAction* documents = menus.fileMenu()->actions().value(0);
    ASSERT_NE(documents, nullptr);
    EXPECT_EQ(documents->text(), "Documents");
    EXPECT_EQ(documents->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    documents->trigger();
    window.show();  // and Control+H typed into a field of the active window
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(opened, QList<QUrl>(2, QUrl::fromLocalFile(home)));
    EXPECT_TRUE(field->text().isEmpty());
}

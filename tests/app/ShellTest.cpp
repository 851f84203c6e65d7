#include "cli/CommandLine.h"
#include "platform/HomeDirectory.h"
#include "screen/ViewController.h"
#include "shell/AppDelegate.h"
#include "shell/Application.h"
#include "shell/FullScreen.h"
#include "shell/MainWindow.h"
#include "shell/MenuBuilder.h"

#include <QAction>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include "support/LogCapture.h"
#include "support/OpenedUrls.h"
#include "support/QtPrinters.h"
#include "support/Table.h"
#include "support/TempHome.h"
#include "support/Wait.h"

// Every option by name, so that a row also shows that no option changes another by the way.
static QJsonObject fields(const Options& o) {
    const QStringList names{
        "home",       "sensor",         "replayPath",     "intervalMs", "size",       "idiom",
        "screenshot", "timeoutSeconds", "readings",       "skin",       "checkSkins", "checkSkin",
        "json",       "strict",         "headless",       "timeoutSet", "fullscreen", "device",
        "mqttUrl",    "mqttCa",         "mqttCredentials"};
    const QString sensor = QStringList{"ble", "sim", "replay"}[static_cast<int>(o.sensor)];
    const QString size = QStringLiteral("%1x%2").arg(o.size.width()).arg(o.size.height());
    const QVariantList values{o.home,
                              sensor,
                              o.replayPath,
                              o.intervalMs,
                              size,
                              static_cast<int>(o.idiom),
                              o.screenshot,
                              o.timeoutSeconds,
                              o.readings,
                              o.skin,
                              o.checkSkins,
                              o.checkSkin,
                              o.json,
                              o.strict,
                              o.headless,
                              o.timeoutSet,
                              o.fullscreen,
                              o.device,
                              o.mqttUrl,
                              o.mqttCa,
                              o.mqttCredentials};
    QJsonObject all;
    for (qsizetype i = 0; i < names.size(); ++i) all[names[i]] = QJsonValue::fromVariant(values[i]);
    return all;
}

// Arguments, the outcome, and the options that differ from the defaults or the text given.
class CommandLineRows : public TableTest {};
TEST_P(CommandLineRows, RunWithTheirOptionsOrGiveTheirText) {
    const QJsonValue& row = GetParam().value;
    const CommandLine line = CommandLine::parse(QStringList{"vell-thermo"} + strings(row[0]));
    const int outcome = static_cast<int>(line.outcome);
    EXPECT_EQ(QStringList({"run", "help", "version", "error"}).value(outcome), row[1].toString());
    QJsonObject expected = fields(Options{});
    for (const QString& key : row[2].toObject().keys()) expected[key] = row[2][key];
    if (line.outcome == CommandLine::Outcome::Run)
        EXPECT_EQ(QJsonDocument(fields(line.options)).toJson(QJsonDocument::Compact),
                  QJsonDocument(expected).toJson(QJsonDocument::Compact));
    else
        EXPECT_TRUE(line.text.startsWith(row[2].toString())) << line.text.toStdString();
}
VELL_TABLE(CommandLineRows, "command_lines.json");

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

// The window as the program makes it: its view is what the skin checker lays out, never smaller
// than the reading needs; F11 fills the screen without the menu bar or, after a while without a
// move, the pointer; Escape leaves.
TEST(MainWindowTest, ViewIsWhatTheCheckerLaysOutAndFullScreenComesAndGoes) {
    const TempHome home;
    AppDelegate delegate;
    ViewController* screen = nullptr;
    std::unique_ptr<MainWindow> window;
    for (const QSize size : {QSize(600, 600), QSize(60, 40)}) {
        Options options;
        options.size = size;
        window = Application::makeWindow(delegate, *(screen = new ViewController), options);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        EXPECT_EQ(QSizeF(screen->size()), Application::viewSizeFor(size));
    }
    QTest::keyClick(window.get(), Qt::Key_F11);
    ASSERT_TRUE(waitUntil([&] { return screen->size() == window->screen()->size(); }));
    EXPECT_TRUE(window->isFullScreen() && window->menuBar()->isHidden());
    const FullScreen* full = window->findChild<FullScreen*>();
    EXPECT_TRUE(waitUntil([&] { return full->pointerHidden(); }));
    QTest::mouseMove(window->windowHandle(), QPoint(10, 10));
    EXPECT_FALSE(full->pointerHidden());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(
        waitUntil([&] { return !window->isFullScreen() && window->menuBar()->isVisible(); }));
}

// An opener that fails: what it writes goes to the log escaped, and the window names the folder.
TEST(MainWindowTest, AFailedOpenIsSaidInTheWindowAndTheOpenersOutputLoggedEscaped) {
    const TempHome home;
    const QString opener = home.write(
        "bin/xdg-open", "#!/bin/sh\nprintf 'no handler for %s\\033[31m\\n' \"$1\"\nexit 3\n");
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFileInfo(opener).absolutePath().toLocal8Bit());
    AppDelegate delegate;
    auto* screen = new ViewController;
    const std::unique_ptr<MainWindow> window = Application::makeWindow(delegate, *screen, {});
    const LogCapture log;
    delegate.showDocuments();
    EXPECT_TRUE(waitUntil([&] { return !screen->noticeLabel()->isHidden(); }));
    qputenv("PATH", path);
    const QString notice = "Could not open the folder " + home.path() + "; open it by hand.";
    EXPECT_EQ(screen->noticeLabel()->text(), notice);
    EXPECT_EQ(log.lines(),
              QStringList({"xdg-open: no handler for " +
                               QUrl::fromLocalFile(home.path()).toString() + "\\u001b[31m",
                           notice}));
}

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/MenuBuilder.h"
#include "app/OrrinNavigationController.h"
#include "platform/HomeDirectory.h"
#include "screen/ViewController.h"

#include <QAction>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "support/FakeTransport.h"
#include "support/OpenedUrls.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

// Every option by name, so that a row also shows that no option changes another by the way.
QJsonObject fields(const Options& o) {
    const QStringList names{"home",       "sensor",     "replayPath",     "intervalMs", "size",
                            "idiom",      "screenshot", "timeoutSeconds", "readings",   "skin",
                            "checkSkins", "checkSkin",  "json",           "strict"};
    const QString sensor = QStringList{"ble", "sim", "replay"}[static_cast<int>(o.sensor)];
    const QString size = QStringLiteral("%1x%2").arg(o.size.width()).arg(o.size.height());
    const QVariantList values{o.home,       sensor,       o.replayPath,     o.intervalMs, size,
                              o.idiom,      o.screenshot, o.timeoutSeconds, o.readings,   o.skin,
                              o.checkSkins, o.checkSkin,  o.json,           o.strict};
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
            EXPECT_EQ(QJsonDocument(fields(line.options)).toJson(),
                      QJsonDocument(expected).toJson());
        else
            EXPECT_TRUE(line.text.startsWith(row[2].toString())) << line.text.toStdString();
    });
}

// A temperature screen without its views, so no skin is needed.
struct BareScreen : ViewController {
    void viewDidLoad() override {}
};

// Leaving and coming back, however often, stop and restart the sensor link of the window's
// first controller when that is the screen, and of no other.
TEST(AppDelegateTest, LeavingAndComingBackReachOnlyTheFirstControllerWhenItIsTheScreen) {
    const FakeTransportScope quietLinks;
    AppDelegate().applicationWillResignActive();  // without a window there is nothing to reach
    for (const bool firstIsAScreen : {false, true}) {
        AppDelegate delegate;
        auto window = std::make_unique<MainWindow>();
        auto* root = new OrrinNavigationController(window.get());
        window->setCentralWidget(root);
        ViewController* screens[] = {firstIsAScreen ? new BareScreen : nullptr, new BareScreen};
        root->pushViewController(screens[0] ? screens[0] : new UIViewController);
        root->pushViewController(screens[1]);
        delegate.setWindow(std::move(window));
        EXPECT_TRUE(delegate.didFinishLaunchingWithOptions());
        for (ViewController* screen : screens)
            if (screen) screen->checkTempture();
        delegate.applicationWillResignActive();
        delegate.applicationWillResignActive();
        EXPECT_FALSE(screens[0] && screens[0]->hasSensorLink());
        EXPECT_TRUE(screens[1]->hasSensorLink());
        screens[1]->gotoSystem();
        delegate.applicationWillEnterForeground();
        delegate.applicationWillEnterForeground();
        EXPECT_EQ(screens[0] && screens[0]->hasSensorLink(), firstIsAScreen);
        EXPECT_FALSE(screens[1]->hasSensorLink());
    }
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
    EXPECT_EQ(documents->menu(), nullptr);
    for (const QMenu* menu : window.menuBar()->findChildren<QMenu*>())
        EXPECT_NE(menu->title().remove('&'), "My");  // the group holding it shows inline
    documents->trigger();
    window.show();  // and Control+H typed into a field of the active window
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(opened, QList<QUrl>(2, QUrl::fromLocalFile(home)));
    EXPECT_EQ(opened.value(0).toLocalFile(), home);
    EXPECT_TRUE(field->text().isEmpty());
}

}  // namespace

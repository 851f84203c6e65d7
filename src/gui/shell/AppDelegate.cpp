#include "shell/AppDelegate.h"

#include "platform/HomeDirectory.h"
#include "platform/UrlOpener.h"
#include "screen/ViewController.h"
#include "shell/MainWindow.h"
#include "shell/MenuBuilder.h"
#include "widgets/OrrinNavigationController.h"

#include <QAction>
#include <QMenu>
#include <QUrl>

namespace {
// The window's root container's first child, when that is the temperature screen.
ViewController* temperatureScreen(const AppDelegate& delegate) {
    const MainWindow* window = delegate.window();
    const OrrinNavigationController* root = window ? window->rootViewController() : nullptr;
    const QList<UIViewController*> children =
        root ? root->viewControllers() : QList<UIViewController*>();
    return children.isEmpty() ? nullptr : qobject_cast<ViewController*>(children.first());
}
}  // namespace

AppDelegate::AppDelegate() = default;
AppDelegate::~AppDelegate() = default;

void AppDelegate::setWindow(std::unique_ptr<MainWindow> window) {
    mainWindow = std::move(window);
}

void AppDelegate::applicationWillEnterForeground() {
    if (ViewController* screen = temperatureScreen(*this)) screen->backFromSystem();
}

void AppDelegate::applicationWillResignActive() {
    if (ViewController* screen = temperatureScreen(*this)) screen->gotoSystem();
}

void AppDelegate::buildMenuWithBuilder(MenuBuilder& builder) {
    auto* documents = new QAction(QStringLiteral("Documents"), builder.fileMenu());
    // The Control key on every platform: on macOS Qt calls it Meta.
#ifdef Q_OS_MACOS
    documents->setShortcut(QKeySequence(Qt::META | Qt::Key_H));
#else
    documents->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
#endif
    connect(documents, &QAction::triggered, this, &AppDelegate::showDocuments);
    builder.insertChildMenuAtStartOfFileMenu(
        UIMenu{QStringLiteral("My"), UIMenu::DisplayInline, {documents}});
}

void AppDelegate::showDocuments() {
    UrlOpener::open(QUrl::fromLocalFile(HomeDirectory::path()));
}

#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "app/OrrinNavigationController.h"
#include "screen/ViewController.h"

namespace {
// The window's root container's first child, when that is the temperature screen.
ViewController* temperatureScreen(const AppDelegate& delegate)
{
    const MainWindow* window = delegate.window();
    const OrrinNavigationController* root = window ? window->rootViewController() : nullptr;
    const QList<UIViewController*> children = root ? root->viewControllers() : QList<UIViewController*>();
    return children.isEmpty() ? nullptr : qobject_cast<ViewController*>(children.first());
}
}  // namespace

AppDelegate::AppDelegate() = default;
AppDelegate::~AppDelegate() = default;

void AppDelegate::setWindow(std::unique_ptr<MainWindow> window) { _window = std::move(window); }

void AppDelegate::applicationWillEnterForeground()
{
    if (ViewController* screen = temperatureScreen(*this)) screen->backFromSystem();
}

void AppDelegate::applicationWillResignActive()
{
    if (ViewController* screen = temperatureScreen(*this)) screen->gotoSystem();
}

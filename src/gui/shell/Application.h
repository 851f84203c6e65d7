#pragma once

#include "cli/CommandLine.h"

#include <QSizeF>

#include <memory>

class AppDelegate;
class MainWindow;
class QApplication;
class ViewController;

// Stands in for the platform's application loop: makes the one AppDelegate and the window with
// its controllers, tells the delegate about launch and about the window leaving and coming back
// to the screen, asks the root container whether to rotate when the window's shape flips, and
// runs the loop.
class Application {
public:
    static int run(QApplication& app, const Options& options);

    // The window, not shown yet: its root container with the screen (which it takes), its menus
    // and full screen; what cannot be opened is said on the screen.
    static std::unique_ptr<MainWindow> makeWindow(AppDelegate& delegate, ViewController& screen,
                                                  const Options& options);

    // The root view a window of windowSize has: less the menu bar, and no smaller than the
    // screen's minimum. Built and measured as the window is, without showing it.
    static QSizeF viewSizeFor(const QSize& windowSize);
};

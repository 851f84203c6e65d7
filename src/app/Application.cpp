#include "app/Application.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/MenuBuilder.h"
#include "screen/StatusWords.h"
#include "screen/ViewController.h"
#include "widgets/OrrinNavigationController.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QMenuBar>
#include <QPixmap>
#include <QResizeEvent>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <optional>

namespace {
// Turns what happens to the window into the delegate's lifecycle calls and rotation questions.
class WindowEvents : public QObject {
public:
    WindowEvents(AppDelegate& delegate, MainWindow& window) : delegate(delegate), window(window) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window) return false;
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::WindowStateChange:
                // Let the window settle before asking whether it is on screen.
                QTimer::singleShot(0, this, [this] { updateOnScreen(); });
                break;
            case QEvent::Resize: {
                const QSize now = static_cast<QResizeEvent*>(event)->size();
                const bool landscape = now.width() > now.height();
                if (shapeKnown && landscape != wasLandscape) {
                    if (OrrinNavigationController* root = window.rootViewController())
                        root->shouldAutorotate();
                }
                shapeKnown = true;
                wasLandscape = landscape;
                break;
            }
            default:
                break;
        }
        return false;
    }

private:
    void updateOnScreen() {
        const bool now = window.isVisible() && !window.isMinimized();
        if (now == onScreen) return;
        onScreen = now;
        if (!now)
            delegate.applicationWillResignActive();
        else if (seenOnScreen)
            delegate.applicationWillEnterForeground();
        seenOnScreen = seenOnScreen || now;
    }

    AppDelegate& delegate;
    MainWindow& window;
    bool onScreen = false;
    bool seenOnScreen = false;
    bool shapeKnown = false;
    bool wasLandscape = false;
};

// Runs work once, right after the window's first frame has been painted and flushed: what the
// first frame does not need waits for it.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget& window, std::function<void()> work) : work(std::move(work)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        watched->removeEventFilter(this);
        // Runs once the rest of the window has been painted and flushed in the same pass.
        QTimer::singleShot(0, this, work);
        return false;
    }

private:
    std::function<void()> work;
};

// The icon of the window's frame and the task bar, from the copies built into the program. Menus
// and launchers take the installed icon through the desktop file; the sizes a frame shows are
// enough here, since X11 gets every size added, as pixels, in one window property.
QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/" VELL_APP_ID ".png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

void saveScreenshot(QWidget& window, const QString& path) {
    const QPixmap picture = window.grab();
    if (!picture.save(path, "PNG")) {
        std::fprintf(stderr, "vell-thermo: cannot write the screenshot to %s\n", qPrintable(path));
        QCoreApplication::exit(1);
        return;
    }
    QCoreApplication::exit(0);
}
}  // namespace

int Application::run(QApplication& app, const Options& options) {
    AppDelegate delegate;
    auto window = std::make_unique<MainWindow>();
    window->setWindowTitle(QStringLiteral("Vell Thermo"));
    auto* root = new OrrinNavigationController(window.get());
    window->setCentralWidget(root);
    root->loadViewIfNeeded();
    auto* screen = new ViewController();
    screen->setFirstSkin(options.skin);
    root->pushViewController(screen);
    window->resize(options.size);
    MenuBuilder menus(window->menuBar());
    delegate.buildMenuWithBuilder(menus);
    MainWindow& shown = *window;
    delegate.setWindow(std::move(window));
    WindowEvents events(delegate, shown);
    // The icon costs the X11 window 10 ms or so of conversions; it can come a moment later.
    // With VELL_REPORT_FIRST_PAINT set, one line on standard error marks the first frame:
    // bench/ times the start against it.
    const bool reportFirstPaint = qEnvironmentVariableIsSet("VELL_REPORT_FIRST_PAINT");
    AfterFirstPaint firstPaint(shown, [reportFirstPaint] {
        if (reportFirstPaint) {
            std::fputs("vell-thermo: first frame painted\n", stderr);
            std::fflush(stderr);
        }
        // Only X11 shows it; Wayland desktops take the icon from the desktop file.
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            QApplication::setWindowIcon(applicationIcon());
    });
    if (!delegate.didFinishLaunchingWithOptions()) return 1;

    int readingsShown = 0;
    bool done = false;
    QObject::connect(screen, &ViewController::readingShown, &app, [&] {
        ++readingsShown;
        if (done) return;
        if (!options.screenshot.isEmpty()) {
            done = true;
            saveScreenshot(shown, options.screenshot);
        } else if (options.readings > 0 && readingsShown >= options.readings) {
            done = true;
            QCoreApplication::exit(0);
        }
    });
    QObject::connect(screen, &ViewController::linkStatusChanged, &shown, [&shown](qint64 code) {
        // Qt adds the application's name: "Connecting — Vell Thermo".
        const QString words = StatusWords::description(code);
        if (!words.isNull()) shown.setWindowTitle(words.left(1).toUpper() + words.mid(1));
    });
    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(std::chrono::seconds(options.timeoutSeconds), &app, [&] {
            if (done) return;
            done = true;
            saveScreenshot(shown, options.screenshot);
        });
    }

    shown.show();
    const int status = app.exec();
    // Stop the link before the window and its screen go.
    screen->gotoSystem();
    return status;
}

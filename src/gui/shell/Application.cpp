#include "shell/Application.h"

#include "cli/Startup.h"
#include "platform/UrlOpener.h"
#include "publish/MqttPublisher.h"
#include "reading/StatusWords.h"
#include "screen/ViewController.h"
#include "sensor/SensorProfile.h"
#include "shell/AppDelegate.h"
#include "shell/FullScreen.h"
#include "shell/MainWindow.h"
#include "shell/MenuBuilder.h"
#include "skin/PictureCopy.h"
#include "skinview/UIBackGroundView.h"
#include "widgets/OrrinNavigationController.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QPointer>
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

// What the command line asks of the window, once it shows readings: a screenshot, or an end
// after so many readings.
class RunEnd : public QObject {
public:
    RunEnd(QWidget& window, ViewController& screen, const Options& options)
        : window(window), options(options) {
        connect(&screen, &ViewController::readingShown, this, [this] { readingShown(); });
        if (!options.screenshot.isEmpty())
            QTimer::singleShot(std::chrono::seconds(options.timeoutSeconds), this,
                               [this] { finish(); });
    }

private:
    void readingShown() {
        ++shown;
        if (!options.screenshot.isEmpty() || (options.readings > 0 && shown >= options.readings))
            finish();
    }
    void finish() {
        if (done) return;
        done = true;
        if (options.screenshot.isEmpty())
            QCoreApplication::exit(0);
        else
            saveScreenshot(window, options.screenshot);
    }

    QWidget& window;
    const Options& options;
    int shown = 0;
    bool done = false;
};

// After the first frame: the reduced pictures' copies for the next start, the window icon, and with
// VELL_REPORT_FIRST_PAINT set one line on standard error that marks the frame, which bench/ times
// the start against.
void afterFirstFrame() {
    if (qEnvironmentVariableIsSet("VELL_REPORT_FIRST_PAINT")) {
        std::fputs("vell-thermo: first frame painted\n", stderr);
        std::fflush(stderr);
    }
    PictureCopy::beginWriting();
    // The icon costs the X11 window 10 ms or so of conversions, so it comes a moment later.
    // Only X11 shows it; Wayland desktops take the icon from the desktop file.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        QApplication::setWindowIcon(applicationIcon());
}

// What every main window has around its view: the File and View menus and full screen.
void furnish(MainWindow& window, AppDelegate& delegate) {
    MenuBuilder menus(window.menuBar());
    delegate.buildMenuWithBuilder(menus);
    auto* fullScreen = new FullScreen(window);
    window.menuBar()->addMenu(QStringLiteral("&View"))->addAction(fullScreen->toggleAction());
}

}  // namespace

std::unique_ptr<MainWindow> Application::makeWindow(AppDelegate& delegate, ViewController& screen,
                                                    const Options& options) {
    auto window = std::make_unique<MainWindow>();
    window->setWindowTitle(QStringLiteral("Vell Thermo"));
    auto* root = new OrrinNavigationController(window.get());
    window->setCentralWidget(root);
    root->loadViewIfNeeded();
    screen.setFirstSkin(options.skin);
    UIBackGroundView::expectWindowSize(options.size);
    root->pushViewController(&screen);
    window->resize(options.size);
    furnish(*window, delegate);
    UrlOpener::setFailureHandler([view = QPointer<ViewController>(&screen)](const QUrl& url) {
        if (view) view->showNotice(UrlOpener::failureNotice(url));
    });
    return window;
}

namespace {
// With --mqtt, what the screen hears goes to the broker too, from the moment it hears it.
std::unique_ptr<MqttPublisher> publishTo(const Options& options, ViewController& screen) {
    if (options.mqttUrl.isEmpty()) return nullptr;
    auto publisher = std::make_unique<MqttPublisher>(Startup::mqttSettings(options));
    MqttPublisher* to = publisher.get();
    to->setDevice(SensorProfile::chosen().address);
    QObject::connect(&screen, &ViewController::deviceChosen, &screen,
                     [to](const QString& address) { to->setDevice(address); });
    QObject::connect(
        &screen, &ViewController::recordReceived, &screen,
        [to](const QByteArray& record) { to->reading(QDateTime::currentDateTimeUtc(), record); });
    QObject::connect(&screen, &ViewController::linkStatusChanged, &screen,
                     [to](qint64 code) { to->status(QDateTime::currentDateTimeUtc(), code); });
    return publisher;
}
}  // namespace

int Application::run(QApplication& app, const Options& options) {
    AppDelegate delegate;
    auto* screen = new ViewController();
    delegate.setWindow(makeWindow(delegate, *screen, options));
    MainWindow& shown = *delegate.window();
    WindowEvents events(delegate, shown);
    AfterFirstPaint firstPaint(shown, afterFirstFrame);
    if (!delegate.didFinishLaunchingWithOptions()) return 1;

    RunEnd end(shown, *screen, options);
    // Qt adds the application's name: "Connecting — Vell Thermo". The taskbar shows it, so once
    // readings flow the title is the latest one.
    QObject::connect(screen, &ViewController::linkStatusChanged, &shown, [&shown](qint64 code) {
        const QString title = StatusWords::titleForStatus(code);
        if (!title.isNull()) shown.setWindowTitle(title);
    });
    QObject::connect(screen, &ViewController::readingShown, &shown, [&shown](const QString& text) {
        shown.setWindowTitle(StatusWords::titleForReading(text));
    });
    // Which thermometer this window follows, for a home with several; the title has no room.
    const auto showDevice = [&shown](const QString& address) {
        shown.setToolTip(QStringLiteral("Thermometer %1").arg(address));
    };
    if (!SensorProfile::chosen().address.isEmpty()) showDevice(SensorProfile::chosen().address);
    QObject::connect(screen, &ViewController::deviceChosen, &shown, showDevice);
    const std::unique_ptr<MqttPublisher> publisher = publishTo(options, *screen);
    options.fullscreen ? shown.showFullScreen() : shown.show();
    const int status = app.exec();
    UrlOpener::setFailureHandler({});
    // Stop the link before the window and its screen go.
    screen->gotoSystem();
    return status;
}

QSizeF Application::viewSizeFor(const QSize& windowSize) {
    AppDelegate delegate;
    MainWindow window;
    auto* view = new QWidget;
    view->setMinimumSize(ViewController::kMinimumViewSize);
    window.setCentralWidget(view);
    window.resize(windowSize);
    furnish(window, delegate);
    // The layout gives the window its minimum and the view what the menu bar leaves.
    window.layout()->activate();
    return QSizeF(view->size());
}

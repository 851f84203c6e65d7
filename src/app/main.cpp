#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Headless.h"
#include "app/Startup.h"
#include "platform/Device.h"
#include "platform/HomeDirectory.h"
#include "platform/SystemLog.h"
#include "skin/PicturePrefetch.h"
#include "skin/SkinStore.h"
#include "skincheck/CheckCommand.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

namespace {
// The skin report for authors: no window, no sensor.
int checkSkins(int& argc, char* argv[], const Options& options) {
    SkinCheckRequest request{{},           options.checkSkin, QSizeF(options.size), options.idiom,
                             options.json, options.strict};
    if (request.folder.isEmpty()) {
        request.home = options.home.isEmpty() ? HomeDirectory::defaultPath() : options.home;
        const QString problem = Startup::prepareHome(request.home);
        if (!problem.isEmpty()) return Startup::usageError(problem);
    } else if (!QFileInfo(request.folder).isDir()) {
        return Startup::usageError(
            QStringLiteral("--check-skin %1 is not a folder.").arg(request.folder));
    }
    return runSkinCheck(argc, argv, request);
}

// Readings for other programs: no window, so no platform plugin, no skins, no pictures.
int runHeadless(int& argc, char* argv[], const Options& options) {
    if (!Headless::hasOutput()) {
        std::fputs("vell-thermo: standard output is closed: nowhere to print readings.\n", stderr);
        return 1;
    }
    SystemLog::installDefaultPattern();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vell-thermo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELL_VERSION));
    return Headless::run(app, options);
}

// The window, once the options have been checked as far as they can be without it.
int showWindow(int& argc, char* argv[], const Options& options) {
    if (!Startup::hasDisplay()) {
        if (options.screenshot.isEmpty()) {
            std::fputs(
                "vell-thermo: no display to open a window on (DISPLAY and WAYLAND_DISPLAY "
                "are unset); set one, or QT_QPA_PLATFORM=offscreen.\n",
                stderr);
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");  // a screenshot needs no screen
    }
    SystemLog::installDefaultPattern();
    // Qt takes the first thread that asks for its thread data as the main thread: this one,
    // before any helper thread touches a Qt object.
    QThread::currentThread();
    // The first picture decodes while the application connects to the display and builds the
    // window, which waits for it only to paint it. The decode ends before the application does.
    PicturePrefetch::startForSkin(SkinStore::installedBundlePath(HomeDirectory::path()),
                                  options.skin, options.size, options.idiom);
    QApplication app(argc, argv);
    const PicturePrefetch::Finish prefetched;
    QApplication::setApplicationName(QStringLiteral("vell-thermo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vell Thermo"));
    QApplication::setApplicationVersion(QStringLiteral(VELL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(VELL_APP_ID));
    if (options.home.isEmpty()) {
        const QString problem = Startup::prepareHome(HomeDirectory::path());
        if (!problem.isEmpty()) return Startup::usageError(problem);
    }
    return Application::run(app, options);
}
}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine command = CommandLine::parse(arguments);
    switch (command.outcome) {
        case CommandLine::Outcome::Help:
        case CommandLine::Outcome::Version:
            std::fputs(qPrintable(command.text), stdout);
            return 0;
        case CommandLine::Outcome::Error:
            return Startup::usageError(command.text);
        case CommandLine::Outcome::Run:
            break;
    }
    const Options& options = command.options;
    if (options.checkSkins || !options.checkSkin.isEmpty()) return checkSkins(argc, argv, options);

    QString problem = Startup::chooseSensor(options);
    if (problem.isEmpty() && !options.home.isEmpty()) {
        problem = Startup::prepareHome(options.home);
        if (problem.isEmpty()) HomeDirectory::setPath(options.home);
    }
    if (!problem.isEmpty()) return Startup::usageError(problem);
    if (options.headless) return runHeadless(argc, argv, options);
    Device::setUserInterfaceIdiom(options.idiom);
    return showWindow(argc, argv, options);
}

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
    SkinCheckRequest request{{},
                             options.checkSkin,
                             QSizeF(options.size),
                             &Application::viewSizeFor,
                             options.idiom,
                             options.json,
                             options.strict};
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
    Options options;
    if (const int status = Startup::readCommandLine(argc, argv, &options); status >= 0)
        return status;
    if (options.headless) Headless::execLeanProgram(argv);  // and if it cannot, runs it here
    if (options.checkSkins || !options.checkSkin.isEmpty()) return checkSkins(argc, argv, options);
    if (const QString problem = Startup::prepare(options); !problem.isEmpty())
        return Startup::usageError(problem);
    if (options.headless) return Headless::runProgram(argc, argv, options);
    Device::setUserInterfaceIdiom(options.idiom);
    return showWindow(argc, argv, options);
}

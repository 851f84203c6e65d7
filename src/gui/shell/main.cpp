#include "cli/CommandLine.h"
#include "cli/Headless.h"
#include "cli/Startup.h"
#include "platform/Bundle.h"
#include "platform/Device.h"
#include "platform/HomeDirectory.h"
#include "platform/SystemLog.h"
#include "shell/Application.h"
#include "skin/PictureChoice.h"
#include "skin/PictureCopy.h"
#include "skin/SkinStore.h"
#include "skincheck/CheckCommand.h"
#include "text/FontLookup.h"

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

// The reduced copy of the first skin picture, if there is one, read before anything of Qt's
// plug-ins loads. The first layout takes it when it still matches the picture and the view.
void readFirstPictureAhead(const Options& options) {
    const std::unique_ptr<Bundle> installed =
        Bundle::initWithPath(SkinStore::installedBundlePath(HomeDirectory::path()));
    if (!installed) return;
    const QString path =
        installed->pathForResource(backgroundResourceName(options.idiom, QSizeF(options.size)),
                                   QStringLiteral("png"), options.skin);
    // The copy for this window at the scale asked for, when there is one; else the newest.
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
    if (!path.isNull()) PictureCopy::readAhead(path, (QSizeF(options.size) * scale).toSize());
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
    // fontconfig's set-up is the longest wait before the labels: it goes first, on its thread.
    FontLookup::warmUp();
    readFirstPictureAhead(options);
    QApplication app(argc, argv);
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

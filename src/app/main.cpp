#include "app/Application.h"
#include "app/CommandLine.h"
#include "lumo/BleTransport.h"
#include "lumo/ReplayTransport.h"
#include "lumo/SimulatedTransport.h"
#include "lumo/VellLumo.h"
#include "platform/Bundle.h"
#include "platform/Device.h"
#include "platform/HomeDirectory.h"
#include "platform/SystemLog.h"
#include "skin/SkinReport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {
constexpr int kUsageError = 2;

int usageError(const QString& message) {
    std::fprintf(stderr, "vell-thermo: %s\nTry 'vell-thermo --help' for more information.\n",
                 qPrintable(message));
    return kUsageError;
}

// Checks the home folder and makes it when missing; an empty string when all is well.
QString prepareHome(const QString& home) {
    const QFileInfo info(home);
    if (info.exists() && !info.isDir())
        return QStringLiteral("--home %1 is not a folder.").arg(home);
    if (!info.exists() && !QDir().mkpath(home))
        return QStringLiteral("cannot create the home folder %1.").arg(home);
    const QFileInfo made(home);
    if (!made.isWritable() || !made.isExecutable())
        return QStringLiteral("the home folder %1 is not writable.").arg(home);
    return {};
}

// The skin report for authors: no window, no sensor. Exit 1 for what the window would log, and
// with --strict for warnings too.
int checkSkins(int argc, char* argv[], const Options& options) {
    QString home;
    if (options.checkSkin.isEmpty()) {
        home = options.home.isEmpty() ? HomeDirectory::defaultPath() : options.home;
        const QString problem = prepareHome(home);
        if (!problem.isEmpty()) return usageError(problem);
    } else if (!QFileInfo(options.checkSkin).isDir()) {
        return usageError(
            QStringLiteral("--check-skin %1 is not a folder.").arg(options.checkSkin));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SystemLog::installDefaultPattern();
    QGuiApplication app(argc, argv);
    const SkinReport report =
        options.checkSkin.isEmpty()
            ? SkinReport::build(home, QSizeF(options.size), options.idiom)
            : SkinReport::buildForFolder(options.checkSkin, QSizeF(options.size), options.idiom);
    const QByteArray out = options.json ? report.toJson() : report.toText().toUtf8();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return report.hasProblems() || (options.strict && report.hasWarnings()) ? 1 : 0;
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
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
            return usageError(command.text);
        case CommandLine::Outcome::Run:
            break;
    }
    const Options& options = command.options;

    if (options.checkSkins || !options.checkSkin.isEmpty()) return checkSkins(argc, argv, options);

    switch (options.sensor) {
        case Options::Sensor::Ble:
            VellLumo::setTransportFactory([] { return std::make_unique<BleTransport>(); });
            break;
        case Options::Sensor::Simulated:
            VellLumo::setTransportFactory(
                [ms = options.intervalMs] { return std::make_unique<SimulatedTransport>(ms); });
            break;
        case Options::Sensor::Replay: {
            const QString path = options.replayPath;
            if (path != QLatin1String("-") && !QFileInfo(path).isReadable())
                return usageError(QStringLiteral("cannot read the replay file %1.").arg(path));
            if (QFileInfo(path).isDir())
                return usageError(QStringLiteral("the replay file %1 is a folder.").arg(path));
            VellLumo::setTransportFactory([path, ms = options.intervalMs] {
                return std::make_unique<ReplayTransport>(path, ms);
            });
            break;
        }
    }

    if (!options.home.isEmpty()) {
        const QString problem = prepareHome(options.home);
        if (!problem.isEmpty()) return usageError(problem);
        HomeDirectory::setPath(options.home);
    }
    Device::setUserInterfaceIdiom(options.idiom);

    if (!hasDisplay()) {
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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vell-thermo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vell Thermo"));
    QApplication::setApplicationVersion(QStringLiteral(VELL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(VELL_APP_ID));
    if (options.home.isEmpty()) {
        const QString problem = prepareHome(HomeDirectory::path());
        if (!problem.isEmpty()) return usageError(problem);
    }
    return Application::run(app, options);
}

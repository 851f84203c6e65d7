#include "cli/Startup.h"

#include "platform/HomeDirectory.h"
#include "publish/MosquittoLibrary.h"
#include "sensor/BleTransport.h"
#include "sensor/ReplayTransport.h"
#include "sensor/SensorProfile.h"
#include "sensor/SimulatedTransport.h"
#include "sensor/VellLumo.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {
constexpr int kUsageError = 2;
}

int Startup::usageError(const QString& message) {
    std::fprintf(stderr, "vell-thermo: %s\nTry 'vell-thermo --help' for more information.\n",
                 qPrintable(message));
    return kUsageError;
}

int Startup::readCommandLine(int argc, char* argv[], Options* options) {
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
    *options = command.options;
    return -1;
}

QString Startup::prepare(const Options& options) {
    QString problem = chooseSensor(options);
    if (problem.isEmpty() && !options.mqttUrl.isEmpty()) {
        problem = mqttSettings(options).problem;
        if (problem.isEmpty() && MosquittoLibrary::get() == nullptr)
            problem =
                QStringLiteral("--mqtt needs libmosquitto: %1").arg(MosquittoLibrary::problem());
    }
    if (problem.isEmpty() && !options.home.isEmpty()) {
        problem = prepareHome(options.home);
        if (problem.isEmpty()) HomeDirectory::setPath(options.home);
    }
    return problem;
}

QString Startup::prepareHome(const QString& home) {
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

MqttSettings Startup::mqttSettings(const Options& options) {
    MqttSettings settings = MqttSettings::fromUrl(options.mqttUrl);
    if (!settings.problem.isEmpty()) return settings;
    settings.loadCredentials(options.mqttCredentials);
    settings.caFile = options.mqttCa;
    if (settings.problem.isEmpty() && !settings.caFile.isEmpty() &&
        !QFileInfo(settings.caFile).isReadable())
        settings.problem =
            QStringLiteral("cannot read the certificate file %1.").arg(settings.caFile);
    // The topics are named by the thermometer; only the real one tells its address.
    if (settings.problem.isEmpty() && options.device.isEmpty() &&
        options.sensor != Options::Sensor::Ble)
        settings.problem = QStringLiteral(
            "--mqtt with a simulated or replayed sensor needs --device ADDRESS to "
            "name it.");
    return settings;
}

QString Startup::chooseSensor(const Options& options) {
    SensorProfile profile;
    profile.address = options.device;
    SensorProfile::choose(profile);
    switch (options.sensor) {
        case Options::Sensor::Ble:
            VellLumo::setTransportFactory([] { return std::make_unique<BleTransport>(); });
            return {};
        case Options::Sensor::Simulated:
            VellLumo::setTransportFactory(
                [ms = options.intervalMs] { return std::make_unique<SimulatedTransport>(ms); });
            return {};
        case Options::Sensor::Replay:
            break;
    }
    const QString path = options.replayPath;
    if (path != QLatin1String("-") && !QFileInfo(path).isReadable())
        return QStringLiteral("cannot read the replay file %1.").arg(path);
    if (QFileInfo(path).isDir()) return QStringLiteral("the replay file %1 is a folder.").arg(path);
    VellLumo::setTransportFactory(
        [path, ms = options.intervalMs] { return std::make_unique<ReplayTransport>(path, ms); });
    return {};
}

bool Startup::hasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

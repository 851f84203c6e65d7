#include "cli/CommandLine.h"

#include "publish/MqttSettings.h"
#include "sensor/SensorProfile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>

#include <limits>

namespace {
// A whole decimal number in [min, max], or nothing.
std::optional<int> boundedInt(const QString& text, int min, int max) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch()) return std::nullopt;
    const int value = text.toInt();
    if (value < min || value > max) return std::nullopt;
    return value;
}

CommandLine error(const QString& message) {
    CommandLine result;
    result.outcome = CommandLine::Outcome::Error;
    result.text = message;
    return result;
}

QCommandLineOption valueOption(const char* name, const char* help, const char* valueName) {
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                              QString::fromLatin1(valueName));
}

QCommandLineOption flagOption(const char* name, const char* help) {
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help));
}

void addRunOptions(QCommandLineParser& parser) {
    parser.addOptions({
        valueOption("home",
                    "The application's home folder, created if missing (default: "
                    "$XDG_DATA_HOME/vell-thermo). Its Documents/skin.bundle holds the skins.",
                    "DIR"),
        valueOption("sensor",
                    "Where readings come from: sim (a simulated sensor), replay:PATH (each line "
                    "of PATH is one record; - is standard input) or ble (default).",
                    "SOURCE"),
        valueOption("interval",
                    "Milliseconds between records of sim and replay (default 1000; 0: as fast "
                    "as the screen takes them).",
                    "MS"),
        valueOption("size", "The window's first size (default 1024x768).", "WxH"),
        flagOption("fullscreen",
                   "Start in full screen, as for a wall display; F11 toggles it, Escape leaves."),
        valueOption("idiom", "The device kind the skin layout sees: mac (default), pad or phone.",
                    "KIND"),
        valueOption("screenshot",
                    "Once the first reading shows (or after --timeout), save the window as a "
                    "PNG picture to PATH and exit.",
                    "PATH"),
        valueOption("timeout",
                    "Seconds --screenshot waits for a reading (default 10); with --headless, "
                    "seconds until the run ends.",
                    "SECONDS"),
        valueOption("readings", "Exit once N readings have been shown (or printed).", "N"),
        valueOption("skin",
                    "Start with this installed skin instead of qir, to preview it; nothing is "
                    "saved.",
                    "NAME"),
        valueOption("device",
                    "The Bluetooth address of the one thermometer to connect to, when several "
                    "are in range (default: the first found).",
                    "ADDRESS"),
        valueOption("mqtt",
                    "Also publish readings, the link's status and Home Assistant discovery to "
                    "this MQTT broker: mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (TLS).",
                    "URL"),
        valueOption("mqtt-ca",
                    "With mqtts://: trust the certificate authorities in FILE (default: the "
                    "system's).",
                    "FILE"),
        valueOption("mqtt-credentials",
                    "A file whose first line is the broker's user name and second its password "
                    "(default: $VELL_MQTT_USERNAME and $VELL_MQTT_PASSWORD).",
                    "FILE"),
        flagOption("headless",
                   "No window: print one JSON line per reading, rejected record and status of "
                   "the sensor link on standard output, until interrupted."),
    });
}

void addCheckOptions(QCommandLineParser& parser) {
    parser.addOptions({
        flagOption("check-skins",
                   "Print what the layout makes of every installed skin at --size and --idiom "
                   "and exit: 0 when all is well, 1 when a skin has a problem the window would "
                   "log. Warnings for authors do not count unless --strict. Opens no window."),
        valueOption("check-skin", "The same report for one skin folder anywhere, installed or not.",
                    "DIR"),
        flagOption("json", "With --check-skins or --check-skin: print one JSON document."),
        flagOption("strict", "With --check-skins or --check-skin: exit 1 on warnings too."),
    });
}

// A parsed command line's options by name.
struct Parsed {
    const QCommandLineParser& parser;
    bool set(const char* name) const { return parser.isSet(QString::fromLatin1(name)); }
    QString value(const char* name) const { return parser.value(QString::fromLatin1(name)); }
};

// Each reader below takes its options from a parsed command line into o, and gives the error
// message for a bad value, or an empty string.
QString readSource(const QCommandLineParser& parser, Options& o) {
    const Parsed p{parser};
    if (p.set("home")) {
        o.home = p.value("home");
        if (o.home.isEmpty()) return QStringLiteral("--home needs a folder.");
    }
    if (p.set("sensor")) {
        const QString sensor = p.value("sensor");
        if (sensor == QLatin1String("sim")) {
            o.sensor = Options::Sensor::Simulated;
        } else if (sensor == QLatin1String("ble")) {
            o.sensor = Options::Sensor::Ble;
        } else if (sensor.startsWith(QLatin1String("replay:")) && sensor.size() > 7) {
            o.sensor = Options::Sensor::Replay;
            o.replayPath = sensor.mid(7);
        } else {
            return QStringLiteral("Unknown sensor '%1': use sim, replay:PATH or ble.").arg(sensor);
        }
    }
    if (p.set("interval")) {
        const auto ms = boundedInt(p.value("interval"), 0, 3'600'000);
        if (!ms) return QStringLiteral("--interval takes milliseconds from 0 to 3600000.");
        o.intervalMs = *ms;
    }
    return {};
}

QString readWindow(const QCommandLineParser& parser, Options& o) {
    const Parsed p{parser};
    if (p.set("size")) {
        static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})x([0-9]{1,9})$"));
        const QRegularExpressionMatch m = form.match(p.value("size"));
        const int most = CommandLine::kMaxWindowSide;
        const auto w = m.hasMatch() ? boundedInt(m.captured(1), 1, most) : std::nullopt;
        const auto h = m.hasMatch() ? boundedInt(m.captured(2), 1, most) : std::nullopt;
        if (!w || !h)
            return QStringLiteral("--size takes WIDTHxHEIGHT, each from 1 to %1, such as 1024x768.")
                .arg(most);
        o.size = QSize(*w, *h);
    }
    o.fullscreen = p.set("fullscreen");
    if (p.set("idiom")) {
        const QString idiom = p.value("idiom");
        if (idiom == QLatin1String("mac"))
            o.idiom = Device::Idiom::Mac;
        else if (idiom == QLatin1String("pad"))
            o.idiom = Device::Idiom::Pad;
        else if (idiom == QLatin1String("phone"))
            o.idiom = Device::Idiom::Phone;
        else
            return QStringLiteral("Unknown idiom '%1': use mac, pad or phone.").arg(idiom);
    }
    if (p.set("skin")) {
        o.skin = p.value("skin");
        if (!CommandLine::isSkinName(o.skin))
            return QStringLiteral(
                "--skin takes the name of one skin folder, such as qir: not empty, no '/', not "
                "'.' or '..'.");
    }
    return {};
}

QString readEnd(const QCommandLineParser& parser, Options& o) {
    const Parsed p{parser};
    if (p.set("screenshot")) {
        o.screenshot = p.value("screenshot");
        if (o.screenshot.isEmpty()) return QStringLiteral("--screenshot needs a file.");
    }
    if (p.set("timeout")) {
        const auto seconds = boundedInt(p.value("timeout"), 0, 86'400);
        if (!seconds) return QStringLiteral("--timeout takes seconds from 0 to 86400.");
        o.timeoutSeconds = *seconds;
        o.timeoutSet = true;
    }
    if (p.set("readings")) {
        const auto n = boundedInt(p.value("readings"), 1, std::numeric_limits<int>::max());
        if (!n) return QStringLiteral("--readings takes a whole number from 1 to 999999999.");
        o.readings = *n;
    }
    return {};
}

QString readPublish(const QCommandLineParser& parser, Options& o) {
    const Parsed p{parser};
    if (p.set("device")) {
        o.device = SensorProfile::normalAddress(p.value("device"));
        if (o.device.isEmpty())
            return QStringLiteral("--device takes a Bluetooth address, such as C4:7F:51:00:12:34.");
    }
    if (p.set("mqtt")) {
        o.mqttUrl = p.value("mqtt");
        const QString problem = MqttSettings::fromUrl(o.mqttUrl).problem;
        if (!problem.isEmpty()) return problem;
    }
    for (const char* name : {"mqtt-ca", "mqtt-credentials"}) {
        if (!p.set(name)) continue;
        if (!p.set("mqtt"))
            return QStringLiteral("--%1 goes with --mqtt.").arg(QString::fromLatin1(name));
        if (p.value(name).isEmpty())
            return QStringLiteral("--%1 needs a file.").arg(QString::fromLatin1(name));
    }
    o.mqttCa = p.value("mqtt-ca");
    o.mqttCredentials = p.value("mqtt-credentials");
    return {};
}

// Headless runs have no window to size, skin or photograph, and print no skin report.
QString readHeadless(const QCommandLineParser& parser, Options& o) {
    o.headless = parser.isSet(QStringLiteral("headless"));
    if (!o.headless) return {};
    for (const char* name : {"screenshot", "size", "fullscreen", "skin", "idiom", "check-skins",
                             "check-skin", "json", "strict"}) {
        if (parser.isSet(QString::fromLatin1(name)))
            return QStringLiteral("--headless opens no window: leave out --%1.")
                .arg(QString::fromLatin1(name));
    }
    return {};
}

QString readCheck(const QCommandLineParser& parser, Options& o) {
    o.checkSkins = parser.isSet(QStringLiteral("check-skins"));
    if (parser.isSet(QStringLiteral("check-skin"))) {
        o.checkSkin = parser.value(QStringLiteral("check-skin"));
        if (o.checkSkin.isEmpty()) return QStringLiteral("--check-skin needs a folder.");
        if (o.checkSkins) return QStringLiteral("--check-skins and --check-skin go one at a time.");
    }
    o.json = parser.isSet(QStringLiteral("json"));
    o.strict = parser.isSet(QStringLiteral("strict"));
    const bool checking = o.checkSkins || !o.checkSkin.isEmpty();
    if (o.json && !checking)
        return QStringLiteral("--json goes with --check-skins or --check-skin.");
    if (o.strict && !checking)
        return QStringLiteral("--strict goes with --check-skins or --check-skin.");
    return {};
}
}  // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows the live reading of a Vell Bluetooth LE thermometer over a skinnable picture."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    parser.addOptions({help, version});
    addRunOptions(parser);
    addCheckOptions(parser);

    if (!parser.parse(arguments)) return error(parser.errorText());
    CommandLine result;
    if (parser.isSet(help)) {
        result.outcome = Outcome::Help;
        // Without an application object Qt cannot know the program's name.
        result.text = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                QStringLiteral("vell-thermo"));
        return result;
    }
    if (parser.isSet(version)) {
        result.outcome = Outcome::Version;
        result.text = QStringLiteral("vell-thermo " VELL_VERSION "\n");
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return error(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    for (const auto read :
         {readHeadless, readSource, readWindow, readEnd, readCheck, readPublish}) {
        const QString problem = read(parser, result.options);
        if (!problem.isEmpty()) return error(problem);
    }
    return result;
}
bool CommandLine::isSkinName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(u'\0'))) return false;
    // Where the platform has a separator of its own, that one too.
    return !name.contains(QDir::separator());
}

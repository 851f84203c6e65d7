#include "app/CommandLine.h"

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
}  // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows the live reading of a Vell Bluetooth LE thermometer over a skinnable picture."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    const QCommandLineOption home(
        QStringLiteral("home"),
        QStringLiteral("The application's home folder, created if missing (default: "
                       "$XDG_DATA_HOME/vell-thermo). Its Documents/skin.bundle holds the skins."),
        QStringLiteral("DIR"));
    const QCommandLineOption sensor(
        QStringLiteral("sensor"),
        QStringLiteral("Where readings come from: sim (a simulated sensor), replay:PATH (each line "
                       "of PATH is one record; - is standard input) or ble (default)."),
        QStringLiteral("SOURCE"));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Milliseconds between records of sim and replay (default 1000; 0: as fast "
                       "as the screen takes them)."),
        QStringLiteral("MS"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("The window's first size (default 1024x768)."),
                                  QStringLiteral("WxH"));
    const QCommandLineOption idiom(
        QStringLiteral("idiom"),
        QStringLiteral("The device kind the skin layout sees: mac (default), pad or phone."),
        QStringLiteral("KIND"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Once the first reading shows (or after --timeout), save the window as a "
                       "PNG picture to PATH and exit."),
        QStringLiteral("PATH"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Seconds --screenshot waits for a reading (default 10)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption readings(QStringLiteral("readings"),
                                      QStringLiteral("Exit once N readings have been shown."),
                                      QStringLiteral("N"));
    const QCommandLineOption checkSkins(
        QStringLiteral("check-skins"),
        QStringLiteral("Print what the layout makes of every installed skin at --size and --idiom "
                       "and exit: 0 when all is well, 1 when a skin has a problem the window "
                       "would log. Warnings for authors do not count unless --strict. Opens no "
                       "window."));
    const QCommandLineOption skin(
        QStringLiteral("skin"),
        QStringLiteral("Start with this installed skin instead of qir, to preview it; nothing is "
                       "saved."),
        QStringLiteral("NAME"));
    const QCommandLineOption checkSkin(
        QStringLiteral("check-skin"),
        QStringLiteral("The same report for one skin folder anywhere, installed or not."),
        QStringLiteral("DIR"));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("With --check-skins or --check-skin: print one JSON document."));
    const QCommandLineOption strict(
        QStringLiteral("strict"),
        QStringLiteral("With --check-skins or --check-skin: exit 1 on warnings too."));
    parser.addOptions({help, version, home, sensor, interval, size, idiom, screenshot, timeout,
                       readings, skin, checkSkins, checkSkin, json, strict});

    if (!parser.parse(arguments)) return error(parser.errorText());
    if (parser.isSet(help)) {
        CommandLine result;
        result.outcome = Outcome::Help;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        CommandLine result;
        result.outcome = Outcome::Version;
        result.text = QStringLiteral("vell-thermo " VELL_VERSION "\n");
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return error(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));

    CommandLine result;
    Options& o = result.options;
    if (parser.isSet(home)) {
        o.home = parser.value(home);
        if (o.home.isEmpty()) return error(QStringLiteral("--home needs a folder."));
    }
    if (parser.isSet(sensor)) {
        const QString value = parser.value(sensor);
        if (value == QLatin1String("sim")) {
            o.sensor = Options::Sensor::Simulated;
        } else if (value == QLatin1String("ble")) {
            o.sensor = Options::Sensor::Ble;
        } else if (value.startsWith(QLatin1String("replay:")) && value.size() > 7) {
            o.sensor = Options::Sensor::Replay;
            o.replayPath = value.mid(7);
        } else {
            return error(
                QStringLiteral("Unknown sensor '%1': use sim, replay:PATH or ble.").arg(value));
        }
    }
    if (parser.isSet(interval)) {
        const auto ms = boundedInt(parser.value(interval), 0, 3'600'000);
        if (!ms) return error(QStringLiteral("--interval takes milliseconds from 0 to 3600000."));
        o.intervalMs = *ms;
    }
    if (parser.isSet(size)) {
        static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})x([0-9]{1,9})$"));
        const QRegularExpressionMatch m = form.match(parser.value(size));
        const auto w = m.hasMatch() ? boundedInt(m.captured(1), 1, kMaxWindowSide) : std::nullopt;
        const auto h = m.hasMatch() ? boundedInt(m.captured(2), 1, kMaxWindowSide) : std::nullopt;
        if (!w || !h)
            return error(QStringLiteral("--size takes WIDTHxHEIGHT, each from 1 to %1, such as "
                                        "1024x768.")
                             .arg(kMaxWindowSide));
        o.size = QSize(*w, *h);
    }
    if (parser.isSet(idiom)) {
        const QString value = parser.value(idiom);
        if (value == QLatin1String("mac"))
            o.idiom = Device::Idiom::Mac;
        else if (value == QLatin1String("pad"))
            o.idiom = Device::Idiom::Pad;
        else if (value == QLatin1String("phone"))
            o.idiom = Device::Idiom::Phone;
        else
            return error(QStringLiteral("Unknown idiom '%1': use mac, pad or phone.").arg(value));
    }
    if (parser.isSet(screenshot)) {
        o.screenshot = parser.value(screenshot);
        if (o.screenshot.isEmpty()) return error(QStringLiteral("--screenshot needs a file."));
    }
    if (parser.isSet(timeout)) {
        const auto seconds = boundedInt(parser.value(timeout), 0, 86'400);
        if (!seconds) return error(QStringLiteral("--timeout takes seconds from 0 to 86400."));
        o.timeoutSeconds = *seconds;
    }
    if (parser.isSet(readings)) {
        const auto n = boundedInt(parser.value(readings), 1, std::numeric_limits<int>::max());
        if (!n)
            return error(QStringLiteral("--readings takes a whole number from 1 to 999999999."));
        o.readings = *n;
    }
    if (parser.isSet(skin)) {
        o.skin = parser.value(skin);
        if (!isSkinName(o.skin))
            return error(
                QStringLiteral("--skin takes the name of one skin folder, such as qir: "
                               "not empty, no '/', not '.' or '..'."));
    }
    o.checkSkins = parser.isSet(checkSkins);
    if (parser.isSet(checkSkin)) {
        o.checkSkin = parser.value(checkSkin);
        if (o.checkSkin.isEmpty()) return error(QStringLiteral("--check-skin needs a folder."));
        if (o.checkSkins)
            return error(QStringLiteral("--check-skins and --check-skin go one at a time."));
    }
    o.json = parser.isSet(json);
    o.strict = parser.isSet(strict);
    const bool checking = o.checkSkins || !o.checkSkin.isEmpty();
    if (o.json && !checking)
        return error(QStringLiteral("--json goes with --check-skins or --check-skin."));
    if (o.strict && !checking)
        return error(QStringLiteral("--strict goes with --check-skins or --check-skin."));
    return result;
}

bool CommandLine::isSkinName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(u'\0'))) return false;
    // Where the platform has a separator of its own, that one too.
    return !name.contains(QDir::separator());
}

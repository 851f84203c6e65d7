#pragma once

#include "platform/Device.h"

#include <QSize>
#include <QString>
#include <QStringList>

// What the command line asks for.
struct Options {
    enum class Sensor { Ble, Simulated, Replay };

    QString home;  // empty: the default home directory
    Sensor sensor = Sensor::Ble;
    QString replayPath;  // "-" is standard input
    int intervalMs = 1000;
    QSize size{1024, 768};
    Device::Idiom idiom = Device::Idiom::Mac;
    QString screenshot;
    int timeoutSeconds = 10;
    int readings = 0;                      // 0: run until the window closes
    QString skin = QStringLiteral("qir");  // the skin the window starts with; never saved
    bool checkSkins = false;               // print the skin report instead of opening the window
    QString checkSkin;                     // report on this one skin folder instead
    bool json = false;
    bool strict = false;      // the report's warnings fail it too
    bool headless = false;    // no window: JSON lines on standard output (cli/Headless.h)
    bool timeoutSet = false;  // --timeout was given: a headless run ends after it
    bool fullscreen = false;  // the window starts in full screen (F11 and Escape leave it)
    QString device;           // the one thermometer to take, "C4:7F:51:00:12:34"; empty: any
    QString mqttUrl;          // publish readings to this broker (publish/MqttSettings.h)
    QString mqttCa;           // the broker's certificate authorities, for mqtts://
    QString mqttCredentials;  // a file with the broker's user name and password
};

struct CommandLine {
    enum class Outcome { Run, Help, Version, Error };

    Outcome outcome = Outcome::Run;
    Options options;
    QString text;  // the help or version text, or the error message

    // Parses arguments (the program name first). Never exits, never prints.
    static CommandLine parse(const QStringList& arguments);

    // A skin name is one folder inside the skin bundle: no separator, no NUL, not "." or "..".
    static bool isSkinName(const QString& name);

    static constexpr int kMaxWindowSide = 16384;
};

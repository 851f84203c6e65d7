#pragma once

#include "cli/CommandLine.h"
#include "publish/MqttSettings.h"

#include <QString>

// The steps of a start that come before any window: each gives an empty string when all is
// well, or the message for a usage error.
namespace Startup {
// Prints "vell-thermo: message" and a hint on standard error; returns the usage error status.
int usageError(const QString& message);

// Reads the command line into options. An exit status when the program ends here (help, the
// version, a usage error); -1 to go on.
int readCommandLine(int argc, char* argv[], Options* options);

// The sensor, and the home folder when one was given: an empty string, or the usage error.
QString prepare(const Options& options);

// Checks the home folder and makes it when missing.
QString prepareHome(const QString& home);

// Chooses where readings come from, as the options say.
QString chooseSensor(const Options& options);

// The broker's settings for --mqtt, with its credentials; problem says what is wrong.
MqttSettings mqttSettings(const Options& options);

// Whether a window can be shown at all: a display, or a platform chosen by the user.
bool hasDisplay();
}  // namespace Startup

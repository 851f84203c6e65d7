#pragma once

#include "app/CommandLine.h"

#include <QString>

// The steps of a start that come before any window: each gives an empty string when all is
// well, or the message for a usage error.
namespace Startup {
// Prints "vell-thermo: message" and a hint on standard error; returns the usage error status.
int usageError(const QString& message);

// Checks the home folder and makes it when missing.
QString prepareHome(const QString& home);

// Chooses where readings come from, as the options say.
QString chooseSensor(const Options& options);

// Whether a window can be shown at all: a display, or a platform chosen by the user.
bool hasDisplay();
}  // namespace Startup

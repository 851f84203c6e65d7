#pragma once

#include <QString>

// What the screen says of the link's status codes (sensor/StatusCodes.h).
namespace StatusWords {
// The log line for code, or a null string for codes the screen does not log.
QString logLine(qint64 code);

// Where the link stands, in words for the window title; a null string for other codes.
QString description(qint64 code);

// The window title: where the link stands, capitalised ("Connecting"), or once readings flow the
// latest one on one line ("23.41 ℃ 56.69%"), with no control character left.
QString titleForStatus(qint64 code);
QString titleForReading(const QString& shownReading);

// Shown under the spinner while the link waits on something only the user can change (no
// adapter, Bluetooth off): where it stands and, on a second line, what to do. A null string
// for every other code: scanning and connecting need no words.
QString waitingWords(qint64 code);
}  // namespace StatusWords

#pragma once

#include <QString>

// The sensor link's status codes, and the log line the screen writes for the four it knows.
namespace StatusCode {
constexpr qint64 Scanning = 1;
constexpr qint64 Connecting = 2;
constexpr qint64 NoAdapter = 3;
constexpr qint64 AdapterOff = 4;
constexpr qint64 FoundTarget = 12;
constexpr qint64 Ready = 13;
constexpr qint64 Disconnected = 14;

// The log line for code, or a null string for codes the screen ignores.
QString logLine(qint64 code);

// Where the link stands, in words for the window title; a null string for other codes.
QString description(qint64 code);
}  // namespace StatusCode

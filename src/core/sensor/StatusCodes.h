#pragma once

#include <QtGlobal>

// What the sensor link reports of itself to whoever listens.
namespace StatusCode {
constexpr qint64 Scanning = 1;
constexpr qint64 Connecting = 2;
constexpr qint64 NoAdapter = 3;
constexpr qint64 AdapterOff = 4;
constexpr qint64 FoundTarget = 12;
constexpr qint64 Ready = 13;
constexpr qint64 Disconnected = 14;
// A replay has no more records: unlike a sensor, it never comes back.
constexpr qint64 ReplayEnded = 15;
}  // namespace StatusCode

#pragma once

#include <QBluetoothUuid>
#include <QString>

#include <chrono>
#include <optional>

// "FFE0" becomes 0000ffe0-0000-1000-8000-00805f9b34fb; a full 128-bit UUID is taken as it is.
std::optional<QBluetoothUuid> expandBluetoothUuid(const QString& text);

// Pauses between reconnection attempts: 1 s, 2 s, 4 s ... up to 30 s, until reset.
class Backoff {
public:
    std::chrono::milliseconds next();
    void reset() { attempts = 0; }

private:
    int attempts = 0;
};

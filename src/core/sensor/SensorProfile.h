#pragma once

#include "sensor/VellLumo.h"

#include <QString>

// Which thermometer the link looks for: the name a Vell thermometer advertises, its service and
// its receive and transmit characteristics, and, when several are in range, the one Bluetooth
// address to take. The window and the headless program make their links here alone.
struct SensorProfile {
    QString btName = QStringLiteral("VellTempture");
    QString serviceUUID = QStringLiteral("FFE0");
    QString receiveUUID = QStringLiteral("FFE1");
    QString transmitUUID = QStringLiteral("FFE2");
    QString address;  // "C4:7F:51:00:12:34"; empty: the first thermometer found

    // The profile every new link uses, set once at start (the default one until then).
    static const SensorProfile& chosen();
    static void choose(const SensorProfile& profile);

    // A link made and configured for the chosen profile; null when no transport is chosen.
    static std::unique_ptr<VellLumo> makeLink(VellLumo::StatusHandler status,
                                              VellLumo::ResultHandler result);

    // "c4:7f:51:00:12:34" becomes "C4:7F:51:00:12:34"; anything but six pairs of hexadecimal
    // digits separated by colons gives an empty string.
    static QString normalAddress(const QString& text);
};

#include "screen/StatusCodes.h"

QString StatusCode::logLine(qint64 code) {
    switch (code) {
        case Scanning:
            return QStringLiteral("scanning...");
        case Connecting:
            return QStringLiteral("connecting ...");
        case FoundTarget:
            return QStringLiteral("Found target.");
        case Disconnected:
            return QStringLiteral("tempture disconnected.");
        default:
            return {};
    }
}

QString StatusCode::description(qint64 code) {
    switch (code) {
        case Scanning:
            return QStringLiteral("scanning");
        case FoundTarget:
            return QStringLiteral("sensor found");
        case Connecting:
            return QStringLiteral("connecting");
        case Ready:
            return QStringLiteral("connected");
        case Disconnected:
            return QStringLiteral("connection lost, reconnecting");
        case NoAdapter:
            return QStringLiteral("no Bluetooth adapter");
        case AdapterOff:
            return QStringLiteral("Bluetooth is off");
        default:
            return {};
    }
}

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

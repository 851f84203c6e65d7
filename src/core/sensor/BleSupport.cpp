#include "sensor/BleSupport.h"

#include <QRegularExpression>

#include <algorithm>

std::optional<QBluetoothUuid> expandBluetoothUuid(const QString& text) {
    static const QRegularExpression shortForm(QStringLiteral("^[0-9A-Fa-f]{4}$"));
    if (shortForm.match(text).hasMatch())
        return QBluetoothUuid(static_cast<quint16>(text.toUInt(nullptr, 16)));
    const QBluetoothUuid full(text);
    if (text.size() <= 38 && !full.isNull()) return full;
    return std::nullopt;
}

std::chrono::milliseconds Backoff::next() {
    using namespace std::chrono_literals;
    const std::chrono::milliseconds pause =
        std::min<std::chrono::milliseconds>(1s * (1 << std::min(attempts, 5)), 30s);
    ++attempts;
    return pause;
}

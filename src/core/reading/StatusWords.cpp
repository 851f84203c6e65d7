#include "reading/StatusWords.h"

#include "platform/SystemLog.h"
#include "sensor/StatusCodes.h"

namespace {
struct Known {
    qint64 code;
    const char* logLine;  // null: not logged
    const char* words;    // for the window title
    const char* todo;     // what the user can do while the link waits on them; null: nothing
};

constexpr Known kKnown[] = {
    {StatusCode::Scanning, "scanning...", "scanning", nullptr},
    {StatusCode::Connecting, "connecting ...", "connecting", nullptr},
    {StatusCode::NoAdapter, nullptr, "no Bluetooth adapter",
     "Plug in a Bluetooth adapter, or start bluetoothd (systemctl start bluetooth)"},
    {StatusCode::AdapterOff, nullptr, "Bluetooth is off",
     "Turn Bluetooth on (bluetoothctl power on)"},
    {StatusCode::FoundTarget, "Found target.", "sensor found", nullptr},
    {StatusCode::Ready, nullptr, "connected", nullptr},
    {StatusCode::Disconnected, "tempture disconnected.", "connection lost, reconnecting", nullptr},
    {StatusCode::ReplayEnded, "Replay ended.", "replay ended", nullptr},
};

const Known* find(qint64 code) {
    for (const Known& known : kKnown)
        if (known.code == code) return &known;
    return nullptr;
}
}  // namespace

QString StatusWords::logLine(qint64 code) {
    const Known* known = find(code);
    return known != nullptr && known->logLine != nullptr ? QString::fromLatin1(known->logLine)
                                                         : QString();
}

QString StatusWords::description(qint64 code) {
    const Known* known = find(code);
    return known != nullptr ? QString::fromLatin1(known->words) : QString();
}

QString StatusWords::titleForStatus(qint64 code) {
    const QString words = description(code);
    if (words.isNull()) return {};
    return words.left(1).toUpper() + words.mid(1);
}

QString StatusWords::waitingWords(qint64 code) {
    const Known* known = find(code);
    if (known == nullptr || known->todo == nullptr) return {};
    return titleForStatus(code) + QLatin1Char('\n') + QString::fromLatin1(known->todo);
}

QString StatusWords::titleForReading(const QString& shownReading) {
    return SystemLog::escaped(shownReading.simplified());
}

#include "screen/StatusWords.h"

#include "lumo/StatusCodes.h"
#include "platform/SystemLog.h"

namespace {
struct Known {
    qint64 code;
    const char* logLine;  // null: not logged
    const char* words;    // for the window title
};

constexpr Known kKnown[] = {
    {StatusCode::Scanning, "scanning...", "scanning"},
    {StatusCode::Connecting, "connecting ...", "connecting"},
    {StatusCode::NoAdapter, nullptr, "no Bluetooth adapter"},
    {StatusCode::AdapterOff, nullptr, "Bluetooth is off"},
    {StatusCode::FoundTarget, "Found target.", "sensor found"},
    {StatusCode::Ready, nullptr, "connected"},
    {StatusCode::Disconnected, "tempture disconnected.", "connection lost, reconnecting"},
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

QString StatusWords::titleForReading(const QString& shownReading) {
    return SystemLog::escaped(shownReading.simplified());
}

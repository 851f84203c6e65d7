#include "screen/ReadingRecord.h"

#include <algorithm>

namespace {
constexpr qsizetype kFirstField = 5;
constexpr qsizetype kSecondField = 15;
constexpr qsizetype kFieldLength = 5;
// A rejected record is logged in hex; this much of it is enough to recognise it.
constexpr qsizetype kLoggedBytes = 64;
}  // namespace

std::optional<QString> ReadingRecord::readingText(const QByteArray& record) {
    if (record.size() < kMinimumLength) return std::nullopt;
    const bool ascii = std::all_of(record.cbegin(), record.cend(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) return std::nullopt;
    const QString first = QString::fromLatin1(record.mid(kFirstField, kFieldLength));
    const QString second = QString::fromLatin1(record.mid(kSecondField, kFieldLength));
    return first + QStringLiteral(" \u2103   ") + second + QLatin1Char('%');
}

QString ReadingRecord::rejectionLine(const QByteArray& record) {
    QString line = QStringLiteral("Rejected record of %1 bytes: %2")
                       .arg(record.size())
                       .arg(QString::fromLatin1(record.left(kLoggedBytes).toHex()));
    if (record.size() > kLoggedBytes) line += QStringLiteral("...");
    return line;
}

#include "reading/ReadingRecord.h"

#include <algorithm>

namespace {
constexpr qsizetype kFirstField = 5;
constexpr qsizetype kSecondField = 15;
constexpr qsizetype kFieldLength = 5;
}  // namespace

std::optional<ReadingRecord::Fields> ReadingRecord::fields(const QByteArray& record) {
    if (record.size() < kMinimumLength) return std::nullopt;
    const bool ascii = std::all_of(record.cbegin(), record.cend(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) return std::nullopt;
    return Fields{QString::fromLatin1(record.mid(kFirstField, kFieldLength)),
                  QString::fromLatin1(record.mid(kSecondField, kFieldLength))};
}

QString ReadingRecord::text(const Fields& fields) {
    return fields.temperature + QStringLiteral(" \u2103   ") + fields.humidity + QLatin1Char('%');
}

std::optional<QString> ReadingRecord::readingText(const QByteArray& record) {
    const std::optional<Fields> read = fields(record);
    if (!read) return std::nullopt;
    return text(*read);
}

QString ReadingRecord::rejectionLine(const QByteArray& record) {
    QString line = QStringLiteral("Rejected record of %1 bytes: %2")
                       .arg(record.size())
                       .arg(QString::fromLatin1(record.left(kLoggedBytes).toHex()));
    if (record.size() > kLoggedBytes) line += QStringLiteral("...");
    return line;
}

#include "screen/ReadingRecord.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

TEST(ReadingRecordTest, ShowsTheFieldsAtFiveAndFifteenOfAsciiRecordsOfTwentyBytes) {
    const QString nuls(5, QChar(0));
    const std::pair<QByteArray, std::optional<QString>> rows[] = {
        {"Temp:23.45 Hum:56.78", QStringLiteral("23.45 \u2103   56.78%")},
        // Only the first 20 bytes count.
        {"Temp:23.45 Hum:56.78 and more", QStringLiteral("23.45 \u2103   56.78%")},
        // Fields are copied as they are: blanks, signs, letters, markup, NULs.
        {"xxxxx     yyyyy     ", QStringLiteral("      \u2103        %")},
        {"ABCDE-1.5eFGHIJ+abc!", QStringLiteral("-1.5e \u2103   +abc!%")},
        {"Temp:<b>x Hum: </b>z", QStringLiteral("<b>x  \u2103   </b>z%")},
        {QByteArray(20, '\0'), nuls + QStringLiteral(" \u2103   ") + nuls + '%'},
        // Short and non-ASCII records are refused.
        {QByteArray(), std::nullopt},
        {"Temp:23.45 Hum:56.7", std::nullopt},
        {"Temp:23.45 Hum:56.7\xc3\xa9", std::nullopt},
        {QByteArray(19, '\x80') + "x", std::nullopt}};
    for (const auto& [record, text] : rows)
        EXPECT_EQ(ReadingRecord::readingText(record), text) << record.toHex().toStdString();
}

TEST(ReadingRecordTest, RejectionLineNamesTheRecordInHexAndStaysShort) {
    EXPECT_EQ(ReadingRecord::rejectionLine("ab\x01"),
              QStringLiteral("Rejected record of 3 bytes: 616201"));
    const QString longLine = ReadingRecord::rejectionLine(QByteArray(1 << 20, 'a'));
    EXPECT_TRUE(longLine.startsWith(QStringLiteral("Rejected record of 1048576 bytes: 6161")));
    EXPECT_LT(longLine.size(), 200);
}

}  // namespace

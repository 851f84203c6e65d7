#include "screen/ReadingRecord.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

TEST(ReadingRecordTest, ShowsTheFieldsAtFiveAndFifteenOfAsciiRecordsOfTwentyBytes) {
    forEachRow("reading_records.json", [](const QJsonValue& row) {
        const std::optional<QString> text = ReadingRecord::readingText(bytes(row[0]));
        EXPECT_EQ(text.value_or(QString()), row[1].toString());
        EXPECT_EQ(text.has_value(), !row[1].isNull());
        EXPECT_EQ(text ? QString() : ReadingRecord::rejectionLine(bytes(row[0])),
                  row[2].toString());
    });
    const QString longLine = ReadingRecord::rejectionLine(QByteArray(1 << 20, 'a'));
    EXPECT_TRUE(longLine.startsWith("Rejected record of 1048576 bytes: 6161"));
    EXPECT_LT(longLine.size(), 200);
}

}  // namespace

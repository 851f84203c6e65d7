#include "screen/ReadingRecord.h"
#include "screen/StatusCodes.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

struct Shown {
    QByteArray record;
    QString text;
    friend void PrintTo(const Shown& s, std::ostream* os) { PrintTo(s.record, os); }
};

class ReadingTextTest : public ::testing::TestWithParam<Shown> {};

TEST_P(ReadingTextTest, ShowsFieldsAtFiveAndFifteen) {
    const std::optional<QString> text = ReadingRecord::readingText(GetParam().record);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Records, ReadingTextTest,
    ::testing::Values(Shown{"Temp:23.45 Hum:56.78", QStringLiteral("23.45 \u2103   56.78%")},
                      // Only the first 20 bytes count.
                      Shown{"Temp:23.45 Hum:56.78 and more",
                            QStringLiteral("23.45 \u2103   56.78%")},
                      // Fields are copied as they are: blanks, signs, letters.
                      Shown{"xxxxx     yyyyy     ", QStringLiteral("      \u2103        %")},
                      Shown{"ABCDE-1.5eFGHIJ+abc!", QStringLiteral("-1.5e \u2103   +abc!%")},
                      // Markup stays text.
                      Shown{"Temp:<b>x Hum: </b>z", QStringLiteral("<b>x  \u2103   </b>z%")}));

TEST(ReadingRecordTest, ReadingTextIsSixteenCharactersForTwentyBytes) {
    EXPECT_EQ(ReadingRecord::readingText("01234567890123456789")->size(), 16);
}

TEST(ReadingRecordTest, RefusesShortAndNonAsciiRecords) {
    EXPECT_FALSE(ReadingRecord::readingText(QByteArray()).has_value());
    EXPECT_FALSE(ReadingRecord::readingText("Temp:23.45 Hum:56.7").has_value());
    EXPECT_FALSE(ReadingRecord::readingText("Temp:23.45 Hum:56.7\xc3\xa9").has_value());
    EXPECT_FALSE(ReadingRecord::readingText(QByteArray(19, '\x80') + "x").has_value());
    // A NUL is ASCII and passes through like any other character.
    EXPECT_TRUE(ReadingRecord::readingText(QByteArray(20, '\0')).has_value());
}

TEST(ReadingRecordTest, RejectionLineNamesTheRecordInHexAndStaysShort) {
    EXPECT_EQ(ReadingRecord::rejectionLine("ab\x01"),
              QStringLiteral("Rejected record of 3 bytes: 616201"));
    const QString longLine = ReadingRecord::rejectionLine(QByteArray(1 << 20, 'a'));
    EXPECT_TRUE(longLine.startsWith(QStringLiteral("Rejected record of 1048576 bytes: 6161")));
    EXPECT_LT(longLine.size(), 200);
}

TEST(StatusCodeTest, LogsOnlyTheFourKnownCodes) {
    EXPECT_EQ(StatusCode::logLine(1), QStringLiteral("scanning..."));
    EXPECT_EQ(StatusCode::logLine(2), QStringLiteral("connecting ..."));
    EXPECT_EQ(StatusCode::logLine(12), QStringLiteral("Found target."));
    EXPECT_EQ(StatusCode::logLine(14), QStringLiteral("tempture disconnected."));
    for (qint64 code : {qint64{0}, qint64{3}, qint64{4}, qint64{13}, qint64{15}, qint64{-1},
                        std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()})
        EXPECT_TRUE(StatusCode::logLine(code).isNull()) << code;
}

}  // namespace

#include "platform/SystemLog.h"
#include "reading/ReadingRecord.h"
#include "reading/StatusWords.h"
#include "sensor/StatusCodes.h"

#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/Table.h"

// A record, the reading text it shows (null: rejected), and the log line of a rejected one.
class ReadingRecordRows : public TableTest {};
TEST_P(ReadingRecordRows, ShowsTheFieldsAtFiveAndFifteenOrRejectsTheRecord) {
    const QJsonValue& row = GetParam().value;
    const std::optional<QString> text = ReadingRecord::readingText(bytes(row[0]));
    EXPECT_EQ(text.value_or(QString()), row[1].toString());
    EXPECT_EQ(text.has_value(), !row[1].isNull());
    EXPECT_EQ(text ? "" : ReadingRecord::rejectionLine(bytes(row[0])), row[2].toString());
}
VELL_TABLE(ReadingRecordRows, "reading_records.json");

TEST(ReadingRecordTest, TheRejectionLineOfAHugeRecordStaysShort) {
    const QString longLine = ReadingRecord::rejectionLine(QByteArray(1 << 20, 'a'));
    EXPECT_TRUE(longLine.startsWith("Rejected record of 1048576 bytes: 6161"));
    EXPECT_LT(longLine.size(), 200);
}

// Each status code's log line (null: not logged) and window title; once readings flow the title
// is the latest one on one line, with no control character left.
class StatusWordsRows : public TableTest {};
TEST_P(StatusWordsRows, GiveTheLogLineAndTheWindowTitle) {
    const QJsonValue& row = GetParam().value;
    if (row[0].isString()) {
        EXPECT_EQ(StatusWords::titleForReading(row[0].toString()), row[2].toString());
        return;
    }
    const qint64 code = row[0].toInteger();
    EXPECT_EQ(StatusWords::logLine(code), row[1].toString());
    EXPECT_EQ(StatusWords::logLine(code).isNull(), row[1].isNull());
    EXPECT_EQ(StatusWords::titleForStatus(code), row[2].toString());
    EXPECT_EQ(StatusWords::waitingWords(code), row[3].toString());
}
VELL_TABLE(StatusWordsRows, "status_words.json");

// Text from a sensor, a skin file or a file name cannot steer the terminal showing the log.
TEST(SystemLogTest, WritesControlCharactersEscaped) {
    const LogCapture log;
    SystemLog::write(QString::fromLatin1("Temp:\x1b[31m3.4 \x7f\x01\t") + QChar(0x202e) + "x" +
                     QChar(0x2028) + QChar(0x2029));
    EXPECT_EQ(log.lines(),
              QStringList{"Temp:\\u001b[31m3.4 \\u007f\\u0001\\u0009\\u202ex\\u2028\\u2029"});
}

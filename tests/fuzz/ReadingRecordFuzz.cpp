#include "reading/ReadingRecord.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray record(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto text = ReadingRecord::readingText(record)) {
        // Two five-character fields around a fixed frame: " ℃   " and "%".
        fuzzCheck(text->size() == 16 && text->mid(5, 5) == QStringLiteral(" \u2103   ") &&
                  text->endsWith(u'%'));
    } else {
        // The log line stays short however long the record is.
        fuzzCheck(ReadingRecord::rejectionLine(record).size() < 200);
    }
    return 0;
}

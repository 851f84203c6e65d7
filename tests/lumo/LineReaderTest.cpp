#include "lumo/LineReader.h"

#include <gtest/gtest.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "support/QtPrinters.h"

namespace {

TEST(LineReaderTest, SplitsTheStreamIntoLinesAndCutsOverlongOnes) {
    forEachRow("line_reader.json", [](const QJsonValue& row) {
        LineReader reader(row[1].toInt());
        QStringList taken;
        const auto take = [&] {
            while (std::optional<QByteArray> line = reader.takeLine())
                taken.append(QString::fromLatin1(*line));
        };
        for (const QString& chunk : strings(row[2])) {
            reader.feed(chunk.toLatin1());
            take();
        }
        if (row[3].toBool()) reader.finish();
        take();
        EXPECT_EQ(taken, strings(row[4]));
        EXPECT_EQ(reader.atEnd(), row[3].toBool());
    });
}

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(LineReaderTest, AnEndlessLineKeepsMemoryBounded) {
    const auto inUse = [] { return ::mallinfo2().uordblks + ::mallinfo2().hblkhd; };
    const size_t before = inUse();
    LineReader reader(1024);
    for (int i = 0; i < 1024; ++i) {  // 64 MiB, taken as it comes
        reader.feed(QByteArray(64 * 1024, 'x'));
        while (reader.takeLine()) {
        }
    }
    EXPECT_LT(inUse(), before + 4 * 1024 * 1024);
}
#endif

}  // namespace

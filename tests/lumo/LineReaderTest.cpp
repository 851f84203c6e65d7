#include "lumo/LineReader.h"

#include <gtest/gtest.h>

#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "support/QtPrinters.h"

namespace {

using Lines = std::vector<QByteArray>;

// Everything taken from reader, draining after every chunk and again after finish().
Lines readAll(LineReader& reader, const Lines& chunks, bool finish) {
    Lines taken;
    auto drain = [&] {
        while (std::optional<QByteArray> line = reader.takeLine()) taken.push_back(*line);
    };
    for (const QByteArray& chunk : chunks) {
        reader.feed(chunk);
        drain();
    }
    if (finish) reader.finish();
    drain();
    return taken;
}

TEST(LineReaderTest, SplitsTheStreamIntoLines) {
    const struct {
        const char* what;
        qsizetype maxLength;
        Lines chunks;
        bool finish;
        Lines lines;
    } rows[] = {
        {"nothing", 8, {}, true, {}},
        {"split across chunks", 8, {"a", "b\nc", "", "d", "\n"}, true, {"ab", "cd"}},
        {"crlf", 8, {"ab\r\ncd\r\n"}, true, {"ab", "cd"}},
        {"crlf split", 8, {"ab\r", "\ncd\r", "\n"}, true, {"ab", "cd"}},
        {"a lone cr stays", 8, {"a\rb\n"}, true, {"a\rb"}},
        {"last line waits for the end", 8, {"ab\ncd"}, false, {"ab"}},
        {"last line at the end", 8, {"ab\ncd"}, true, {"ab", "cd"}},
        {"last line with cr at the end", 8, {"ab\ncd\r"}, true, {"ab", "cd"}},
        {"empty lines", 8, {"\n\r\n", "\n"}, true, {"", "", ""}},
        {"exactly max length", 4, {"abcd\nefgh\r\n"}, true, {"abcd", "efgh"}},
        {"overlong cut", 4, {"abcdefgh\nxy\n"}, true, {"abcd", "xy"}},
        {"overlong crlf cut", 4, {"abcde\r", "\nxy\r\n"}, true, {"abcd", "xy"}},
        {"overlong over chunks", 4, {"abcdef", "ghij", "klmn\r", "op\nxy\n"}, true, {"abcd", "xy"}},
        {"overlong to a chunk's end", 4, {"abcdefgh", "\nxy\n"}, true, {"abcd", "xy"}},
        {"overlong last line", 4, {"ab\nabcdefghij"}, true, {"ab", "abcd"}},
        {"overlong then empty", 4, {"abcdefgh\n\nxy\n"}, true, {"abcd", "", "xy"}},
    };
    for (const auto& row : rows) {
        LineReader reader(row.maxLength);
        EXPECT_EQ(readAll(reader, row.chunks, row.finish), row.lines) << row.what;
        EXPECT_EQ(reader.atEnd(), row.finish) << row.what;
    }
}

TEST(LineReaderTest, AnEndlessLineKeepsMemoryBounded) {
    LineReader reader(1024);
    const Lines chunks(1024, QByteArray(64 * 1024, 'x'));  // 64 MiB without a line ending
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    const auto inUse = [] { return ::mallinfo2().uordblks + ::mallinfo2().hblkhd; };
    const size_t before = inUse();
    EXPECT_EQ(readAll(reader, chunks, false), Lines{QByteArray(1024, 'x')});
    EXPECT_LT(inUse(), before + 4 * 1024 * 1024);
#else
    EXPECT_EQ(readAll(reader, chunks, false), Lines{QByteArray(1024, 'x')});
#endif
    EXPECT_EQ(readAll(reader, {"tail\nnext\n"}, true), Lines{"next"});
    EXPECT_TRUE(reader.atEnd());
}

}  // namespace

#pragma once

#include <QByteArray>

#include <optional>

// Splits a byte stream into lines without their "\n" or "\r\n". A line longer than maxLength is
// cut to its first maxLength bytes and the rest of it is skipped, so no input can make it hold
// more than about maxLength bytes plus one chunk.
class LineReader {
public:
    explicit LineReader(qsizetype maxLength) : maxLength(maxLength) {}

    void feed(const QByteArray& chunk);
    // Marks the end of the stream: a last line without a line ending becomes available.
    void finish() { finished = true; }

    std::optional<QByteArray> takeLine();
    bool atEnd() const { return finished && buffer.isEmpty(); }

private:
    qsizetype maxLength;
    QByteArray buffer;
    bool skipping = false;  // inside the overlong tail of a line already handed out
    bool finished = false;
};

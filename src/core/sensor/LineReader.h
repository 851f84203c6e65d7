#pragma once

#include <QByteArray>

#include <optional>

// Splits a byte stream into lines without their "\n" or "\r\n". A line longer than maxLength is
// cut to its first maxLength bytes and the rest of it is skipped but counted, so no input can
// make it hold more than about maxLength bytes plus one chunk, and the cut is never silent.
class LineReader {
public:
    explicit LineReader(qsizetype maxLength) : maxLength(maxLength) {}

    void feed(const QByteArray& chunk);
    // Marks the end of the stream: a last line without a line ending becomes available.
    void finish() { finished = true; }

    std::optional<QByteArray> takeLine();
    // How long the line takeLine() gave last was in the stream: more than its size when cut.
    qint64 receivedLength() const { return received; }
    bool atEnd() const { return finished && buffer.isEmpty() && !skipping; }

private:
    qsizetype maxLength;
    QByteArray buffer;
    QByteArray cut;         // the first maxLength bytes of the line being skipped
    qint64 skipped = 0;     // bytes of that line past the cut, so far
    bool skipping = false;  // inside the overlong tail of a line, until its end
    bool cutEnded = false;  // the skipped line has ended: cut is ready
    bool endsInCr = false;  // the skipped bytes so far end in "\r"
    qint64 received = 0;
    bool finished = false;
};

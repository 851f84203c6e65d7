#include "sensor/LineReader.h"

#include <utility>

void LineReader::feed(const QByteArray& chunk) {
    qsizetype from = 0;
    if (skipping) {
        const qsizetype newline = chunk.indexOf('\n');
        if (newline < 0) {
            skipped += chunk.size();
            endsInCr = chunk.endsWith('\r') || (endsInCr && chunk.isEmpty());
            return;
        }
        // "\r\n" ends a line too, even when a chunk ends between the two.
        const bool cr = newline > 0 ? chunk[newline - 1] == '\r' : endsInCr;
        skipped += newline - (cr ? 1 : 0);
        skipping = false;
        cutEnded = true;
        from = newline + 1;
    }
    buffer.append(chunk.constData() + from, chunk.size() - from);
}

std::optional<QByteArray> LineReader::takeLine() {
    if (cutEnded || (skipping && finished)) {
        cutEnded = skipping = false;
        received = cut.size() + skipped;
        return std::exchange(cut, {});
    }
    if (skipping) return std::nullopt;  // its length is known only at its end
    const qsizetype newline = buffer.indexOf('\n');
    if (newline >= 0 && newline <= maxLength) {
        QByteArray line = buffer.left(newline);
        buffer.remove(0, newline + 1);
        if (line.endsWith('\r')) line.chop(1);
        received = line.size();
        return line;
    }
    if (buffer.size() > maxLength) {
        QByteArray line = buffer.left(maxLength);
        if (newline >= 0) {
            received = buffer.at(newline - 1) == '\r' ? newline - 1 : newline;
            buffer.remove(0, newline + 1);
            return line;
        }
        cut = std::move(line);
        skipped = buffer.size() - maxLength;
        endsInCr = buffer.endsWith('\r');
        buffer.clear();
        skipping = true;
        return takeLine();  // at the end of the stream, the cut line is whole now
    }
    if (finished && !buffer.isEmpty()) {
        QByteArray line = buffer;
        buffer.clear();
        if (line.endsWith('\r')) line.chop(1);
        received = line.size();
        return line;
    }
    return std::nullopt;
}

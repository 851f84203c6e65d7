#include "lumo/LineReader.h"

void LineReader::feed(const QByteArray& chunk) {
    qsizetype from = 0;
    if (skipping) {
        const qsizetype newline = chunk.indexOf('\n');
        if (newline < 0) return;
        skipping = false;
        from = newline + 1;
    }
    buffer.append(chunk.constData() + from, chunk.size() - from);
}

std::optional<QByteArray> LineReader::takeLine() {
    const qsizetype newline = buffer.indexOf('\n');
    if (newline >= 0 && newline <= maxLength) {
        QByteArray line = buffer.left(newline);
        buffer.remove(0, newline + 1);
        if (line.endsWith('\r')) line.chop(1);
        return line;
    }
    if (buffer.size() > maxLength) {
        QByteArray line = buffer.left(maxLength);
        if (newline >= 0) {
            buffer.remove(0, newline + 1);
        } else {
            buffer.clear();
            skipping = true;
        }
        return line;
    }
    if (finished && !buffer.isEmpty()) {
        QByteArray line = buffer;
        buffer.clear();
        if (line.endsWith('\r')) line.chop(1);
        return line;
    }
    return std::nullopt;
}

#include "platform/SystemLog.h"

Q_LOGGING_CATEGORY(lcSystemLog, "vell.log")
Q_LOGGING_CATEGORY(lcReadingLog, "vell.log.reading")

void SystemLog::write(const QString& line) {
    // Lines carry text from records, skin files and file names: none may steer the terminal.
    qCInfo(lcSystemLog).noquote() << escaped(line);
}

void SystemLog::writeReading(const QString& line) {
    qCInfo(lcReadingLog).noquote() << escaped(line);
}

QString SystemLog::escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        // The line and paragraph separators break a line in many terminals and journal viewers.
        const QChar::Category kind = c.category();
        if (kind == QChar::Other_Control || kind == QChar::Other_Format ||
            kind == QChar::Separator_Line || kind == QChar::Separator_Paragraph)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void SystemLog::installDefaultPattern() {
    qSetMessagePattern(QStringLiteral(
        "%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}[%{pid}:%{threadid}] %{message}"));
}

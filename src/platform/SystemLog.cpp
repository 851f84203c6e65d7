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
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
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

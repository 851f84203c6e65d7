#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcSystemLog)
Q_DECLARE_LOGGING_CATEGORY(lcReadingLog)

// The program's one log call: every line goes through Qt's logging, so QT_MESSAGE_PATTERN,
// QT_LOGGING_RULES ("vell.log*.info=false") and the journal behave as users expect.
class SystemLog {
public:
    // Writes line with its control and format characters, and the line and paragraph
    // separators, escaped as \uXXXX.
    static void write(const QString& line);
    // The same for a reading or rejected record, under "vell.log.reading", so that a service can
    // keep its journal to status lines (QT_LOGGING_RULES="vell.log.reading.info=false").
    static void writeReading(const QString& line);
    static QString escaped(const QString& text);

    // Lines look like "2026-12-06 07:07:35.123 vell-thermo[1234:5678] Found target." unless the
    // user set QT_MESSAGE_PATTERN, which wins.
    static void installDefaultPattern();
};

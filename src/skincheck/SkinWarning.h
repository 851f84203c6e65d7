#pragma once

#include "platform/SystemLog.h"

#include <QString>

// One thing in a skin that works, but likely not as its author meant: for the skin report.
struct SkinWarning {
    QString file;   // inside the skin folder, such as "labels.plist"
    int entry = 0;  // the labels.plist array element, counted from 1; 0 when none
    QString key;    // as written in the file; empty when none
    QString message;

    // "qir/labels.plist entry 2 FONT_SIZE: unknown key, ignored; did you mean FONTSIZE?"
    QString line(const QString& skin) const {
        QString out = shown(skin) + QLatin1Char('/') + file;
        if (entry > 0) out += QStringLiteral(" entry %1").arg(entry);
        if (!key.isEmpty()) out += QLatin1Char(' ') + shown(key);
        return out + QStringLiteral(": ") + message;
    }

    // Text from a skin file made fit for one line of a terminal: control characters escaped,
    // and no more than 60 characters of it.
    static QString shown(const QString& text) {
        if (text.size() > 60) return escaped(text.left(60)) + QStringLiteral("...");
        return escaped(text);
    }

    // Text from a skin file with no control or format character left to reach a terminal.
    static QString escaped(const QString& text) { return SystemLog::escaped(text); }
};

#pragma once

#include <QColor>
#include <QList>
#include <QString>

// Text with attributes over ranges, kept as a plain value. Ranges count UTF-16 code units.
struct TextAttribute {
    enum class Kind { ForegroundColor, UnderlineStyle };
    Kind kind;
    qsizetype location = 0;
    qsizetype length = 0;
    QColor color;       // ForegroundColor
    int underline = 0;  // UnderlineStyle: 1 is a single line

    friend bool operator==(const TextAttribute&, const TextAttribute&) = default;
};

struct AttributedString {
    QString text;
    QList<TextAttribute> attributes;

    // The attribute of kind that covers the whole text, if any.
    const TextAttribute* wholeText(TextAttribute::Kind kind) const;

    friend bool operator==(const AttributedString&, const AttributedString&) = default;
};

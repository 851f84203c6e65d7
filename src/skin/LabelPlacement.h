#pragma once

#include "skin/LabelList.h"

#include <QRectF>
#include <QSizeF>

#include <array>

// Where and how one label shows: everything the layout hands to a link label.
struct LabelSpec {
    QRectF frame;
    std::array<float, 4> rgba{0, 0, 0, 1};  // 0..1 as computed, not clamped
    QString fontName;
    float fontSize = 12;
    QString title;
    std::optional<QString> url;
};

// Stacks the labels upward from the bottom edge of a view of the given size. The running offset
// is a 32-bit float carried from entry to entry, so the frames match to the bit what the skins
// were authored against.
QList<LabelSpec> placeLabels(const QList<LabelEntry>& entries, const QSizeF& size);

inline const QString kDefaultLabelFont = QStringLiteral("PingFangSC-Medium");

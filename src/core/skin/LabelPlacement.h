#pragma once

#include "skin/LabelList.h"

#include <QRectF>
#include <QSizeF>

#include <algorithm>
#include <array>

// Where and how one label shows: everything the layout hands to a link label.
struct PlacedLabel {
    QRectF frame;
    std::array<float, 4> rgba{0, 0, 0, 1};  // 0..1 as computed, not clamped
    QString fontName;
    float fontSize = 12;
    QString title;
    std::optional<QString> url;
};

// What the layout left out or cut short so that no skin file can make it do unbounded work.
struct PlacementLimits {
    // Labels a skin can have; entries after these are not placed. Skins need a handful.
    static constexpr qsizetype kMaxLabels = 256;
    // Longer titles are cut for display, as the validators refuse longer strings.
    static constexpr qsizetype kMaxTitleLength = 4096;
    // How far beyond the view's top or bottom edge a label must lie wholly to be left out: one
    // view height, but never less than the largest window side, so that a small or empty view
    // keeps its stack as placed.
    static double farMargin(double viewHeight) { return std::max(viewHeight, 16384.0); }

    qsizetype pastLastLabel = 0;  // entries after the first kMaxLabels
    qsizetype offView = 0;        // labels far outside the view (or at no finite place)
    qsizetype titlesCut = 0;
};

// Stacks the labels upward from the bottom edge of a view of the given size. The running offset
// is a 32-bit float carried from entry to entry, so the frames match to the bit what the skins
// were authored against. limits, when given, counts what was left out or cut.
QList<PlacedLabel> placeLabels(const QList<LabelEntry>& entries, const QSizeF& size,
                               PlacementLimits* limits = nullptr);

inline const QString kDefaultLabelFont = QStringLiteral("PingFangSC-Medium");

#include "skin/LabelPlacement.h"

#include <cmath>
#include <limits>

namespace {
// Narrowing a double beyond a float's range is undefined; such an offset is simply infinite.
float toFloat(double value) {
    constexpr double kMax = static_cast<double>(std::numeric_limits<float>::max());
    if (value > kMax) return std::numeric_limits<float>::infinity();
    if (value < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

bool farOutside(const QRectF& frame, double height) {
    const double margin = PlacementLimits::farMargin(height);
    if (!std::isfinite(frame.y()) || !std::isfinite(frame.height())) return true;
    return frame.y() + frame.height() < -margin || frame.y() > height + margin;
}

QString displayedTitle(const QString& title, PlacementLimits& limits) {
    if (title.size() <= PlacementLimits::kMaxTitleLength) return title;
    ++limits.titlesCut;
    QString cut = title.left(PlacementLimits::kMaxTitleLength);
    if (cut.back().isHighSurrogate()) cut.chop(1);  // never half a character
    return cut;
}
}  // namespace

QList<PlacedLabel> placeLabels(const QList<LabelEntry>& entries, const QSizeF& size,
                               PlacementLimits* limits) {
    PlacementLimits counted;
    const double width = size.width();
    const double height = size.height();
    const qsizetype count = std::min(entries.size(), PlacementLimits::kMaxLabels);
    counted.pastLastLabel = entries.size() - count;
    float offset = 0;
    QList<PlacedLabel> placed;
    placed.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const LabelEntry& entry = entries[i];
        PlacedLabel placement;
        placement.rgba = {
            entry.colorRed.value_or(0) / 255.0f, entry.colorGreen.value_or(0) / 255.0f,
            entry.colorBlue.value_or(0) / 255.0f, entry.colorAlpha.value_or(0) / 100.0f};
        if (placement.rgba[3] == 0.0f) placement.rgba[3] = 1.0f;

        placement.fontName =
            entry.fontName && !entry.fontName->isEmpty() ? *entry.fontName : kDefaultLabelFont;
        placement.fontSize = entry.fontSize.value_or(0);
        if (placement.fontSize == 0.0f) placement.fontSize = 12;
        const float bottom = entry.bottom.value_or(0);

        const double labelHeight = static_cast<double>(placement.fontSize) * 1.2;
        offset = toFloat(static_cast<double>(offset + bottom) + labelHeight);
        placement.frame = QRectF(0, height - static_cast<double>(offset), width, labelHeight);
        // The offset still carries on: later labels may come back into view.
        if (farOutside(placement.frame, height)) {
            ++counted.offView;
            continue;
        }

        placement.title = displayedTitle(entry.title.value_or(QString()), counted);
        placement.url = entry.url;
        placed.append(placement);
    }
    if (limits != nullptr) *limits = counted;
    return placed;
}

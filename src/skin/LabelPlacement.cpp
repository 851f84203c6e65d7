#include "skin/LabelPlacement.h"

QList<LabelSpec> placeLabels(const QList<LabelEntry>& entries, const QSizeF& size) {
    const double width = size.width();
    const double height = size.height();
    float offset = 0;
    QList<LabelSpec> placed;
    placed.reserve(entries.size());
    for (const LabelEntry& entry : entries) {
        LabelSpec placement;
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
        offset = static_cast<float>(static_cast<double>(offset + bottom) + labelHeight);
        placement.frame = QRectF(0, height - static_cast<double>(offset), width, labelHeight);

        placement.title = entry.title.value_or(QString());
        placement.url = entry.url;
        placed.append(placement);
    }
    return placed;
}

#include "skin/LabelPlacement.h"

QList<LabelSpec> placeLabels(const QList<LabelEntry>& entries, const QSizeF& size) {
    const double width = size.width();
    const double height = size.height();
    float offset = 0;
    QList<LabelSpec> specs;
    specs.reserve(entries.size());
    for (const LabelEntry& entry : entries) {
        LabelSpec spec;
        spec.rgba = {entry.colorRed.value_or(0) / 255.0f, entry.colorGreen.value_or(0) / 255.0f,
                     entry.colorBlue.value_or(0) / 255.0f, entry.colorAlpha.value_or(0) / 100.0f};
        if (spec.rgba[3] == 0.0f) spec.rgba[3] = 1.0f;

        spec.fontName =
            entry.fontName && !entry.fontName->isEmpty() ? *entry.fontName : kDefaultLabelFont;
        spec.fontSize = entry.fontSize.value_or(0);
        if (spec.fontSize == 0.0f) spec.fontSize = 12;
        const float bottom = entry.bottom.value_or(0);

        const double labelHeight = static_cast<double>(spec.fontSize) * 1.2;
        offset = static_cast<float>(static_cast<double>(offset + bottom) + labelHeight);
        spec.frame = QRectF(0, height - static_cast<double>(offset), width, labelHeight);

        spec.title = entry.title.value_or(QString());
        spec.url = entry.url;
        specs.append(spec);
    }
    return specs;
}

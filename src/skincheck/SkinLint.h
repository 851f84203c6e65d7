#pragma once

#include "platform/Device.h"

#include "skin/LabelPlacement.h"
#include "skincheck/SkinWarning.h"

#include <QList>
#include <QSizeF>

class Bundle;

// Warnings for a skin's author, beyond what the layout logs: the labels.plist keys and values
// (LabelLint), labels placed outside the window, fonts that are not installed, links that will
// not open, pictures missing for some idiom and shape, and pictures much smaller than the
// window they cover. Needs a GUI application for the fonts; opens no window.
class SkinLint {
public:
    // skin is a folder of bundle; placements are the layout's labels at size, in order.
    static QList<SkinWarning> check(const Bundle& bundle, const QString& skin, const QSizeF& size,
                                    Device::Idiom idiom, const QList<PlacedLabel>& placements);

    // A picture shown more than this many times its size looks blurred.
    static constexpr double kMaxStretch = 2.0;
};

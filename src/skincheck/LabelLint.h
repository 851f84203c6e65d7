#pragma once

#include "skin/LabelList.h"
#include "skincheck/SkinWarning.h"

#include <QList>

// Checks the keys and values of labels.plist entries as written: unknown keys (with the key
// most likely meant), values of a type the key does not take, numbers that are not finite or
// out of range, a COLOR_ALPHA of 0, and a missing TITLE. Entries that are not dictionaries are
// the layout's own problem and are left alone here.
class LabelLint {
public:
    static QList<SkinWarning> check(const QList<RawLabelEntry>& entries);

    // The known key that an unknown one most likely meant (FONT_SIZE gives FONTSIZE,
    // colour_red gives COLOR_RED), or an empty string.
    static QString likelyKey(const QString& key);
};

#pragma once

#include <QFont>
#include <QString>

// Fonts by their PostScript-style names ("Verdana-Bold") at a size in points, where a point is
// one device-independent pixel as on the screen of the platform the skins were made for.
class FontLookup {
public:
    // The named face when it is installed; otherwise the family and weight the name spells, and
    // Qt's default family when that family is missing too.
    static QFont fontWithName(const QString& postScriptName, qreal size);

    // The weight a style suffix names ("Bold", "Medium", "Light" ...), Normal when unknown.
    static QFont::Weight weightForStyle(const QString& style);
};

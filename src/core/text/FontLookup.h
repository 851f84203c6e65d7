#pragma once

#include <QFont>
#include <QString>

// Fonts by their PostScript-style names ("Verdana-Bold") at a size in points, where a point is
// one device-independent pixel as on the screen the skins were made for.
class FontLookup {
public:
    // Loads fontconfig's configuration and caches on a thread of its own, so that the first
    // font the window resolves does not wait for them while the picture is read. Call once,
    // early, from the main thread.
    static void warmUp();

    // The installed face of that PostScript name (found through fontconfig); otherwise the
    // family and weight the name spells, and Qt's default family when that family is missing.
    static QFont fontWithName(const QString& postScriptName, qreal size);

    // Whether fontconfig knows an installed face by exactly this PostScript name.
    static bool isInstalled(const QString& postScriptName);

    // The family and style Qt actually draws font with, such as "DejaVu Sans Bold".
    static QString resolvedName(const QFont& font);

    // The weight a style suffix names ("Bold", "Medium", "Light" ...), Normal when unknown.
    static QFont::Weight weightForStyle(const QString& style);
};

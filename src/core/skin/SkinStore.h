#pragma once

#include <QString>
#include <QStringList>

// Where the skins live on disk, and their first-start install from the packaged bundle.
class SkinStore {
public:
    // home followed by "/Documents/skin.bundle", as plain text.
    static QString installedBundlePath(const QString& home);

    // When nothing is at installed, copies packaged there. The copy goes to a hidden folder
    // beside it and is renamed into place whole, so an interrupted start never leaves a half
    // bundle that later starts take as installed; leftovers of such a start are cleared here.
    // Creates the Documents folder when it is missing. Anything already at installed is kept
    // as it is. Returns false, with one log line, when the install was needed and failed.
    static bool installIfMissing(const QString& packaged, const QString& installed);

    // The skin folders directly inside bundle, in the order the listing returns them: folders
    // only (a symbolic link is not followed), hidden ones included. Empty when it cannot be read.
    static QStringList skinNames(const QString& bundle);
};

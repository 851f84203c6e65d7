#pragma once

#include <QString>

// The application's own container: $XDG_DATA_HOME/vell-thermo unless --home named another.
class HomeDirectory {
public:
    static QString path();
    // An empty path returns to the default.
    static void setPath(const QString& path);
    static QString defaultPath();
};

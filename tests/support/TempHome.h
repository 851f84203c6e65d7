#pragma once

#include "platform/HomeDirectory.h"
#include "skin/SkinStore.h"

#include <QDir>
#include <QTemporaryDir>

// A fresh home directory for one test, made the application's home while it lives, with a
// cache folder of its own, so that tests run side by side cannot see each other's copies.
struct TempHome {
    TempHome() : cache(qgetenv("XDG_CACHE_HOME")) {
        HomeDirectory::setPath(dir.path());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(".cache")));
    }
    ~TempHome() {
        HomeDirectory::setPath(QString());
        qputenv("XDG_CACHE_HOME", cache);
    }

    QString path() const { return dir.path(); }
    QString installedBundle() const { return SkinStore::installedBundlePath(dir.path()); }
    // Writes data to a file under the home, making folders as needed; returns its path.
    QString write(const QString& relative, const QByteArray& data) const {
        QFile file(dir.filePath(relative));
        QDir().mkpath(QFileInfo(file).absolutePath());
        if (file.open(QIODevice::WriteOnly)) file.write(data);
        return file.fileName();
    }

    QTemporaryDir dir;
    const QByteArray cache;
};

#pragma once

#include "platform/HomeDirectory.h"
#include "skin/SkinStore.h"

#include <QDir>
#include <QTemporaryDir>

// A fresh home directory for one test, made the application's home while it lives.
struct TempHome {
    TempHome() { HomeDirectory::setPath(dir.path()); }
    ~TempHome() { HomeDirectory::setPath(QString()); }

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
};

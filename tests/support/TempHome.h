#pragma once

#include "platform/HomeDirectory.h"
#include "skin/SkinStore.h"

#include <QDir>
#include <QTemporaryDir>

// A fresh home directory for one test, made the application's home while it lives.
class TempHome {
public:
    TempHome() { HomeDirectory::setPath(dir.path()); }
    ~TempHome() { HomeDirectory::setPath(QString()); }

    QString path() const { return dir.path(); }
    QString installedBundle() const { return SkinStore::installedBundlePath(dir.path()); }
    // Writes data to a file under the home (folders made as needed); returns its path.
    QString write(const QString& relative, const QByteArray& data) const {
        const QString full = dir.filePath(relative);
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile file(full);
        if (file.open(QIODevice::WriteOnly)) file.write(data);
        return full;
    }

private:
    QTemporaryDir dir;
};

#include "TempHome.h"

#include "platform/HomeDirectory.h"
#include "skin/SkinStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempHome::TempHome() {
    HomeDirectory::setPath(dir.path());
}

TempHome::~TempHome() {
    HomeDirectory::setPath(QString());
}

QString TempHome::installedBundle() const {
    return SkinStore::installedBundlePath(dir.path());
}

QString TempHome::write(const QString& relative, const QByteArray& data) const {
    const QString full = dir.filePath(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly)) file.write(data);
    return full;
}

#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString& packagedOverride() {
    static QString path;
    return path;
}
}  // namespace

std::unique_ptr<Bundle> Bundle::initWithPath(const QString& path) {
    if (path.isEmpty()) return nullptr;
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return nullptr;
    return std::unique_ptr<Bundle>(new Bundle(path));
}

QString Bundle::pathForResource(const QString& name, const QString& type,
                                const QString& directory) const {
    if (name.isEmpty()) return {};
    // The names come from skin files and the chooser; never let one climb out of the bundle.
    for (const QString& part : {name, type, directory}) {
        if (part.contains(QLatin1Char('/')) || part == QLatin1String("..") ||
            part.contains(QChar(0)))
            return {};
    }
    QString file = name;
    if (!type.isEmpty()) file += QLatin1Char('.') + type;
    QString full = path;
    if (!directory.isEmpty()) full += QLatin1Char('/') + directory;
    full += QLatin1Char('/') + file;
    const QFileInfo info(full);
    // Only a regular file: a pipe or device named like a picture would block whoever opens it.
    if (!info.isFile()) return {};
    return full;
}

QString Bundle::packagedSkinBundlePath() {
    if (!packagedOverride().isEmpty()) return packagedOverride();
    const QString appDir = QCoreApplication::applicationDirPath();
    return QDir::cleanPath(appDir + QStringLiteral("/" VELL_BIN_TO_DATA "/skin.bundle"));
}

void Bundle::setPackagedSkinBundlePath(const QString& path) {
    packagedOverride() = path;
}

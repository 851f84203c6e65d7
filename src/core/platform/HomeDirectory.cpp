#include "platform/HomeDirectory.h"

#include <QDir>
#include <QStandardPaths>

namespace {
QString& overridePath() {
    static QString path;
    return path;
}
}  // namespace

QString HomeDirectory::defaultPath() {
    // GenericDataLocation honours XDG_DATA_HOME and falls back to ~/.local/share.
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/vell-thermo"));
}

QString HomeDirectory::path() {
    const QString& chosen = overridePath();
    return chosen.isEmpty() ? defaultPath() : chosen;
}

void HomeDirectory::setPath(const QString& path) {
    overridePath() = path.isEmpty() ? QString() : QDir::cleanPath(QDir(path).absolutePath());
}

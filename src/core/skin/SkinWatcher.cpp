#include "skin/SkinWatcher.h"

#include "skin/PictureChoice.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// The files a layout reads from a skin folder. A fixed list keeps the number of watches small
// whatever else an author leaves in the folder.
const QStringList& watchedNames() {
    static const QStringList names = [] {
        QStringList files{QStringLiteral("labels.plist")};
        for (const QString& picture : allBackgroundResourceNames())
            files.append(picture + QStringLiteral(".png"));
        return files;
    }();
    return names;
}

}  // namespace

SkinWatcher::SkinWatcher(QObject* parent) : QObject(parent) {
    quiet.setSingleShot(true);
    quiet.setInterval(kQuietMs);
    longest.setSingleShot(true);
    longest.setInterval(kLongestWaitMs);
    connect(&quiet, &QTimer::timeout, this, &SkinWatcher::endBurst);
    connect(&longest, &QTimer::timeout, this, &SkinWatcher::endBurst);
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, &SkinWatcher::noteChange);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &SkinWatcher::noteChange);
}

void SkinWatcher::watch(const QString& newFolder) {
    if (newFolder == folder) return;
    folder = newFolder;
    quiet.stop();
    longest.stop();
    rearm();
}

void SkinWatcher::noteChange() {
    quiet.start();
    if (!longest.isActive()) longest.start();
}

void SkinWatcher::endBurst() {
    quiet.stop();
    longest.stop();
    rearm();
    emit changed();
}

void SkinWatcher::rearm() {
    const QStringList old = watcher.files() + watcher.directories();
    if (!old.isEmpty()) watcher.removePaths(old);
    if (folder.isEmpty()) return;

    QStringList paths;
    const QFileInfo info(folder);
    if (info.dir().exists()) paths << info.absolutePath();
    if (info.isDir()) {
        paths << folder;
        for (const QString& name : watchedNames()) {
            const QString file = folder + QLatin1Char('/') + name;
            if (QFileInfo::exists(file)) paths << file;
        }
    }
    if (!paths.isEmpty()) watcher.addPaths(paths);
}

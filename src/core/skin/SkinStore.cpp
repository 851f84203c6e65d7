#include "skin/SkinStore.h"

#include "platform/SystemLog.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QUuid>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
const QString kPartialPrefix = QStringLiteral(".skin.bundle.partial-");

fs::path nativePath(const QString& path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

QStringList leftovers(const QDir& documents) {
    return documents.entryList({kPartialPrefix + QLatin1Char('*')},
                               QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System);
}

void clearLeftovers(const QDir& documents) {
    for (const QString& name : leftovers(documents)) {
        std::error_code ignored;
        fs::remove_all(nativePath(documents.filePath(name)), ignored);
    }
}

// Like QLockFile::tryLock(10 s), but a lock file that names no owner a second after it was made
// is taken over: its start was killed between creating it and writing its process id into it,
// and QLockFile alone would keep every start for the next 30 s from installing.
bool takeLock(QLockFile& lock) {
    const QDeadlineTimer deadline(10'000);
    while (!lock.tryLock(50)) {
        // Only another holder is worth waiting for; a folder we cannot write to stays so.
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) return false;
        qint64 pid = 0;
        QString host;
        QString app;
        const QFileInfo file(lock.fileName());
        if (!lock.getLockInfo(&pid, &host, &app) && file.exists() &&
            file.lastModified().msecsTo(QDateTime::currentDateTime()) > 1000)
            lock.removeStaleLockFile();
    }
    return true;
}

bool exists(const QString& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(nativePath(path), ec));
}
}  // namespace

QString SkinStore::installedBundlePath(const QString& home) {
    return home + QStringLiteral("/Documents/skin.bundle");
}

bool SkinStore::installIfMissing(const QString& packaged, const QString& installed) {
    const QFileInfo target(installed);
    QDir documents = target.absoluteDir();
    // Every start after the first: nothing to install and nothing to clear, so no lock either,
    // whose file is flushed to disk each time it is taken.
    if (exists(installed) && leftovers(documents).isEmpty()) return true;
    if (!documents.exists() && !documents.mkpath(QStringLiteral("."))) {
        SystemLog::write(QStringLiteral("Cannot create %1.").arg(documents.path()));
        return false;
    }
    // Two instances starting at once must not clear each other's copy in progress.
    QLockFile lock(documents.filePath(QStringLiteral(".skin.bundle.lock")));
    const bool locked = takeLock(lock);

    if (locked) clearLeftovers(documents);
    if (exists(installed)) return true;
    if (!QFileInfo(packaged).isDir()) return false;  // reported when the bundle is opened
    if (!locked) {
        SystemLog::write(
            QStringLiteral("Cannot lock %1 to install the skins.").arg(documents.path()));
        return false;
    }

    const QString partial =
        documents.filePath(kPartialPrefix + QUuid::createUuid().toString(QUuid::Id128));
    std::error_code ec;
    fs::copy(nativePath(packaged), nativePath(partial),
             fs::copy_options::recursive | fs::copy_options::skip_symlinks, ec);
    if (!ec) fs::rename(nativePath(partial), nativePath(installed), ec);
    if (ec) {
        std::error_code ignored;
        fs::remove_all(nativePath(partial), ignored);
        SystemLog::write(QStringLiteral("Cannot install the skins into %1: %2")
                             .arg(installed, QString::fromStdString(ec.message())));
        return false;
    }
    return true;
}

QStringList SkinStore::skinNames(const QString& bundle) {
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(bundle).constData());
    if (dir == nullptr) return names;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        struct stat info {};
        if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(info.st_mode)) names.append(QFile::decodeName(name));
    }
    ::closedir(dir);
    return names;
}

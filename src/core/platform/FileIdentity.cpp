#include "platform/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace {
qint64 nanoseconds(const struct timespec& t) {
    return static_cast<qint64>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

FileIdentity identityOf(const struct stat& info) {
    FileIdentity id;
    id.size = static_cast<qint64>(info.st_size);
    id.modifiedNs = nanoseconds(info.st_mtim);
    id.changedNs = nanoseconds(info.st_ctim);
    id.inode = static_cast<quint64>(info.st_ino);
    id.device = static_cast<quint64>(info.st_dev);
    return id;
}
}  // namespace

std::optional<FileIdentity> FileIdentity::of(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return identityOf(info);
}

std::optional<FileIdentity> FileIdentity::ofOpen(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return identityOf(info);
}

#pragma once

#include <QString>

#include <optional>

// What identifies one version of a file: a file edited in place or replaced changes at least
// one of these, even when its size and modification time are put back (the change time cannot
// be).
struct FileIdentity {
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;

    // One stat(); nothing when there is no such file.
    static std::optional<FileIdentity> of(const QString& path);
    // The same for an open regular file; nothing for anything else (a pipe, a device).
    static std::optional<FileIdentity> ofOpen(int fd);
};

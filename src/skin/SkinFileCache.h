#pragma once

#include "skin/LabelList.h"

#include <QHash>
#include <QImage>
#include <QString>

#include <optional>

// What identifies one version of a file: a file edited in place or replaced changes at least
// one of these.
struct FileIdentity {
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;

    // One stat(); nothing when there is no such file.
    static std::optional<FileIdentity> of(const QString& path);
    // The same for an open regular file; nothing for anything else (a pipe, a device).
    static std::optional<FileIdentity> ofOpen(int fd);
};

// Decoded pictures and parsed label lists of the skin on screen, so that a layout with
// unchanged files costs a stat() per file instead of a decode. A file that changed in any way
// is read again at the next layout, exactly as without the cache.
class SkinFileCache {
public:
    // The decoded picture at path, no smaller than it must be to cover a view of cover pixels
    // (whole when cover is empty); a null image when it cannot be read or decoded. A picture
    // decoded small that a grown view no longer fits is decoded again, whole.
    QImage picture(const QString& path, const QSize& cover = {});
    // The label list at path as LabelList::readFile gives it, with the lines it noted.
    struct LabelFile {
        std::optional<QList<LabelEntry>> entries;
        QStringList notes;
    };
    LabelFile labels(const QString& path);

    // Lets go of everything outside folder (the skin on screen).
    void keepOnly(const QString& folder);

private:
    template <typename Value>
    struct Entry {
        FileIdentity identity;
        Value value;
    };
    struct Picture {
        QImage image;
        bool whole = true;  // not reduced: it covers any view
        bool covers(const QSize& cover) const;
    };
    QHash<QString, Entry<Picture>> pictures;
    QHash<QString, Entry<LabelFile>> labelLists;
};

#pragma once

#include "platform/FileIdentity.h"
#include "skin/LabelList.h"
#include "skin/PictureReader.h"

#include <QHash>
#include <QImage>
#include <QString>

#include <optional>

// Decoded pictures and parsed label lists of the skin on screen, so that a layout with
// unchanged files costs a stat() per file instead of a decode. A file that changed in any way
// is read again at the next layout, exactly as without the cache.
class SkinFileCache {
public:
    // The picture at path, no smaller than it must be to cover a view of cover pixels (whole when
    // cover is empty): its copy on disk when there is a current one, otherwise decoded (and its
    // copy kept). A null image when it cannot be read. A picture reduced for a smaller view is
    // read again, whole, for a view it no longer covers.
    ReadPicture picture(const QString& path, const QSize& cover = {});
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
    QHash<QString, Entry<ReadPicture>> pictures;
    QHash<QString, Entry<LabelFile>> labelLists;
};

#pragma once

#include "skin/PictureDecoder.h"
#include "skin/SkinFileCache.h"

#include <QSize>
#include <QString>

#include <optional>

// Copies of reduced pictures on disk, so that the next start shows the window's picture without
// decoding it: a 2560x1600 skin's copy for a 1024x768 window reads in a millisecond where its
// decode takes 25. One file per picture in $XDG_CACHE_HOME/vell-thermo/pictures, named by a hash
// of the picture's path, holding the picture file's identity, its size, the reduction and the
// pixels. A copy is used only when all of these match what is asked; a changed picture, or a
// different window size, decodes again and replaces it. Whole pictures are not copied.
class PictureCache {
public:
    static std::optional<DecodedPicture> load(const QString& path, const FileIdentity& identity,
                                              const QSize& cover);
    // Best effort: a cache that cannot be written is left as it is.
    static void store(const QString& path, const FileIdentity& identity,
                      const DecodedPicture& picture);
    // Where the copy of the picture at path lives.
    static QString fileFor(const QString& path);
};

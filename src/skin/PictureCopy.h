#pragma once

#include "platform/FileIdentity.h"
#include "skin/PictureReader.h"

#include <QSize>
#include <QString>

#include <optional>

// Reduced pictures kept on disk, so that the next start shows the view's picture without
// decoding it: a 2560x1600 skin's copy for a 1024x768 window reads in a millisecond where its
// decode takes 35. One file per picture and view size (in device pixels) in
// $XDG_CACHE_HOME/vell-thermo/pictures, holding the picture file's identity, the view's size,
// the pixels and their checksum. A copy is used only when all of these match: a changed picture,
// another view size or a damaged copy is decoded afresh. The folder keeps the newest few copies.
namespace PictureCopy {
// Reads the copy last written for the picture at path, whatever its size, with plain file reads
// (nothing of Qt's plug-ins), so that it can run before the application object exists. load()
// takes it when it is the one asked for.
void readAhead(const QString& path);

// The copy of the picture at path, as it was for identity, reduced for a view of cover pixels.
std::optional<ReadPicture> load(const QString& path, const FileIdentity& identity,
                                const QSize& cover);

// Keeps a reduced picture to be written once writing has begun (the first frame is painted
// without waiting for the disk), or at the next turn of the event loop after that.
void keep(const QString& path, const FileIdentity& identity, const QSize& cover,
          const ReadPicture& picture);
// Writes what was kept, and from now on writes what is kept.
void beginWriting();

// Where the copy of the picture at path for cover lives.
QString fileFor(const QString& path, const QSize& cover);
}  // namespace PictureCopy

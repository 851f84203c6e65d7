#pragma once

#include "platform/FileIdentity.h"
#include "skin/PictureReader.h"

#include <optional>

// Reduced pictures kept on disk for the next start, one file per picture and view size (in
// device pixels) in $XDG_CACHE_HOME/vell-thermo/pictures: mapping one takes a millisecond where
// decoding the picture takes 40. A copy is used only while the picture file's identity and the
// view's size match and its checksum holds; otherwise the picture is read afresh.
namespace PictureCopy {
// Maps the copy of the picture at path for cover, or else the one last written for it, with
// plain system calls that can run before the application object exists; load() takes it when
// it fits.
void readAhead(const QString& path, const QSize& cover);

std::optional<ReadPicture> load(const QString& path, const FileIdentity& identity,
                                const QSize& cover);

// Keeps a reduced picture to write once beginWriting() has been called (the first frame does
// not wait for the disk), and at the next turn of the event loop after that.
void keep(const QString& path, const FileIdentity& identity, const QSize& cover,
          const ReadPicture& picture);
void beginWriting();

QString fileFor(const QString& path, const QSize& cover);
}  // namespace PictureCopy

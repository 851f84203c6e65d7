#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// A skin picture as a view shows it.
struct ReadPicture {
    QImage image;    // null when the file cannot be read as a picture
    QSize fullSize;  // the file's picture, in pixels
};

// Reads skin pictures with Qt's PNG reader, bounded against hostile files: the chunks of the
// file are walked first, and a file whose chunks claim more than it holds is refused unread,
// since libpng allocates whatever a chunk claims. A picture larger than its view needs is scaled
// down once, smoothly, to what the view shows.
namespace PictureReader {
// A picture larger than this decoded is scaled while it is read, so that no picture, however
// large, takes more memory than the packaged 2560x1600 ones (at the cost of a slower read).
inline constexpr qint64 kMostDecodedBytes = qint64{16} << 20;

// The size in the header of the PNG at path, once its chunks are found sound; invalid otherwise.
QSize size(const QString& path);

// The PNG at path, reduced to the smallest size that still covers a view of cover pixels
// (keeping its shape), or whole when cover is empty or the picture is not larger.
ReadPicture read(const QString& path, const QSize& cover);

// The size read() gives a picture of full pixels for cover.
QSize shownSize(const QSize& full, const QSize& cover);
}  // namespace PictureReader

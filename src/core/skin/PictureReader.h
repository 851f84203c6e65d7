#pragma once

#include <QImage>

// A skin picture as a view shows it: the image, and the size of the file's picture.
struct ReadPicture {
    QImage image;  // null when the file cannot be read as a picture
    QSize fullSize;
};

// Skin pictures through Qt's PNG reader, walked chunk by chunk first: libpng allocates whatever
// a chunk claims, so a file whose chunks claim more than it holds is refused unread.
namespace PictureReader {
// Past this a picture is scaled while it is read, slower but never held whole.
inline constexpr qint64 kMostDecodedBytes = qint64{16} << 20;

// The size in the header of the PNG at path, once its chunks are found sound; invalid otherwise.
QSize size(const QString& path);
// The PNG at path, scaled down once (smoothly) to the smallest size of its shape that covers a
// view of cover pixels; whole when cover is empty or the picture is no larger.
ReadPicture read(const QString& path, const QSize& cover);
// The size read() gives a picture of full pixels for cover.
QSize shownSize(const QSize& full, const QSize& cover);
}  // namespace PictureReader

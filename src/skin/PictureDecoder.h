#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// Reads a PNG picture row by row with libpng. When the picture is much larger than the view it
// must cover, each block of k x k pixels is averaged as the rows arrive, so the full-size picture
// is never held: a 2560x1600 skin shown in a 1024x768 window takes 4 MB instead of 16.
//
// It uses nothing of Qt's image plug-ins or of the application object, so it may run on any
// thread, before the application object exists.
struct DecodedPicture {
    QImage image;
    int reduction = 1;  // each pixel of image stands for reduction x reduction of the file's
    QSize fullSize;     // the file's picture, in pixels
};

class PictureDecoder {
public:
    // The largest whole number k for which the picture, k times smaller, still covers cover in
    // both directions; 1 when cover is empty or as large as the picture.
    static int reductionFor(const QSize& picture, const QSize& cover);

    // The PNG at path, reduced by reductionFor(its size, cover): RGB32 when opaque, premultiplied
    // ARGB32 otherwise (plain ARGB32, as Qt's reader gives it, when not reduced). Nothing when
    // the file is not a PNG read this way (interlaced, damaged, not a regular file, or larger
    // than Qt's image allocation limit), so that the caller may hand it to QImageReader.
    // A reduced picture comes from PictureCache when its copy there is current, and is put
    // there when it was decoded.
    static std::optional<DecodedPicture> readPng(const QString& path, const QSize& cover);

    // Whether Qt's image allocation limit allows a 32-bit picture of size.
    static bool withinAllocationLimit(const QSize& size);
};

#include "platform/FileIdentity.h"
#include "skin/PictureCopy.h"
#include "skin/PictureReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "FuzzSupport.h"

namespace {
struct Scratch {
    Scratch() { qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath("cache"))); }
    QTemporaryDir dir;
    const QString picture = dir.filePath("picture.png");
};

void write(const QString& path, const uint8_t* data, size_t size) {
    QFile file(path);
    fuzzCheck(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}
}  // namespace

// The input as a skin picture, read whole and for a small view, and as that picture's copy on
// disk. Nothing may take more than the decode budget, and a picture read is the size promised.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    write(scratch.picture, data, size);
    const QSize cover(64, 48);
    for (const QSize& view : {QSize(), cover}) {
        const ReadPicture read = PictureReader::read(scratch.picture, view);
        fuzzCheck(read.image.isNull() ||
                  (read.image.size() == PictureReader::shownSize(read.fullSize, view) &&
                   read.image.sizeInBytes() <= PictureReader::kMostDecodedBytes));
    }
    PictureReader::size(scratch.picture);

    const QString copy = PictureCopy::fileFor(scratch.picture, cover);
    QDir().mkpath(QFileInfo(copy).absolutePath());
    write(copy, data, size);
    PictureCopy::readAhead(scratch.picture, cover);
    if (const auto identity = FileIdentity::of(scratch.picture))
        PictureCopy::load(scratch.picture, *identity, cover);
    return 0;
}

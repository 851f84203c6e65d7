#include "skin/PictureReader.h"

#include "platform/FileIdentity.h"

#include <QFile>
#include <QImageReader>
#include <QtMath>

#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kMostChunks = 1 << 16;             // far more than encoders write
constexpr quint32 kMostPixelsASide = 1'000'000;  // libpng's own limit

quint32 bigEndian(const uchar* at) {
    return quint32{at[0]} << 24 | quint32{at[1]} << 16 | quint32{at[2]} << 8 | quint32{at[3]};
}

struct Header {
    QSize size;
    int bitDepth = 8;
};

// Walks the chunks of the PNG open as fd, reading their lengths only: IHDR first, each chunk
// whole inside the file, IEND at last. A cut or damaged file ends here, read once.
std::optional<Header> walkChunks(int fd) {
    static constexpr uchar kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const std::optional<FileIdentity> file = FileIdentity::ofOpen(fd);
    uchar head[8 + 8 + 13];  // the signature, then IHDR's length, type and fields
    if (!file || ::pread(fd, head, sizeof head, 0) != ssize_t{sizeof head} ||
        std::memcmp(head, kSignature, 8) != 0 || bigEndian(head + 8) != 13 ||
        std::memcmp(head + 12, "IHDR", 4) != 0)
        return std::nullopt;
    const quint32 width = bigEndian(head + 16), height = bigEndian(head + 20);
    if (width == 0 || height == 0 || width > kMostPixelsASide || height > kMostPixelsASide)
        return std::nullopt;
    qint64 at = 8;
    for (int chunk = 0; chunk < kMostChunks; ++chunk) {
        uchar lengthAndType[8];
        if (::pread(fd, lengthAndType, 8, at) != 8) return std::nullopt;
        at += qint64{12} + bigEndian(lengthAndType);  // length, type, data and CRC
        if (at > file->size) return std::nullopt;
        if (std::memcmp(lengthAndType + 4, "IEND", 4) == 0)
            return Header{QSize(int(width), int(height)), head[24]};
    }
    return std::nullopt;
}

// The largest size of full's shape within the decode budget.
QSize withinBudget(const QSize& full) {
    const qint64 bytes = qint64{full.width()} * full.height() * 4;
    if (bytes <= PictureReader::kMostDecodedBytes) return full;
    const double scale = qSqrt(double(PictureReader::kMostDecodedBytes) / double(bytes));
    return QSize(std::max(1, int(full.width() * scale)), std::max(1, int(full.height() * scale)));
}

// Opened without waiting on a pipe or a device that never answers.
int openPicture(const QString& path, QFile* file) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0 && !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return -1;
    }
    return fd;
}
}  // namespace

QSize PictureReader::shownSize(const QSize& full, const QSize& cover) {
    if (full.isEmpty() || cover.isEmpty()) return withinBudget(full);
    const double scale =
        std::max(double(cover.width()) / full.width(), double(cover.height()) / full.height());
    if (scale >= 1) return withinBudget(full);
    // Rounded up, so that the reduced picture still covers the view in both directions.
    return withinBudget(QSize(std::max(cover.width(), qCeil(full.width() * scale - 1e-6)),
                              std::max(cover.height(), qCeil(full.height() * scale - 1e-6))));
}

QSize PictureReader::size(const QString& path) {
    QFile file;
    const int fd = openPicture(path, &file);
    const std::optional<Header> header = fd < 0 ? std::nullopt : walkChunks(fd);
    return header ? header->size : QSize();
}

ReadPicture PictureReader::read(const QString& path, const QSize& cover) {
    QFile file;
    const int fd = openPicture(path, &file);
    const std::optional<Header> header = fd < 0 ? std::nullopt : walkChunks(fd);
    if (!header) return {};
    const QSize full = header->size;
    const QSize target = shownSize(full, cover);
    QImageReader reader(&file, "png");
    reader.setAutoDetectImageFormat(false);
    const int bytesPerPixel = header->bitDepth > 8 ? 8 : 4;
    if (qint64{full.width()} * full.height() * bytesPerPixel > kMostDecodedBytes)
        reader.setScaledSize(target);  // slower, but never holds the whole picture
    QImage image = reader.read();
    if (!image.isNull() && image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull()) return {};
    // What the view paints fastest, and what a copy on disk holds.
    return {image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                          : QImage::Format_RGB32),
            full};
}

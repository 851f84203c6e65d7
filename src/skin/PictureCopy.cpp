#include "skin/PictureCopy.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char kMagic[8] = {'V', 'T', 'C', 'O', 'P', 'Y', '\2', '\0'};
constexpr qsizetype kMostCopies = 8;

// What precedes the pixels, in this machine's byte order: the cache is not shared.
struct Header {
    char magic[8];
    FileIdentity identity;
    qint32 coverWidth, coverHeight, fullWidth, fullHeight, width, height, format, unused;
    quint64 checksum;  // of the pixels
};

struct Copy {
    QString path;
    FileIdentity identity;
    QSize cover;
    ReadPicture picture;
};

// Two interleaved multiply-xorshift chains over 64-bit words: a changed word always changes the
// result, at several GB/s, where SHA-1 would take longer than reading the copy.
quint64 checksum(const uchar* data, qsizetype n) {
    quint64 a = 0x9e3779b97f4a7c15u ^ quint64(n), b = 0xc2b2ae3d27d4eb4fu;
    const auto mix = [](quint64 h, quint64 w) {
        h = (h ^ w) * 0xff51afd7ed558ccdu;
        return h ^ (h >> 29);
    };
    qsizetype i = 0;
    for (quint64 w[2]; i + 16 <= n; i += 16) {
        std::memcpy(w, data + i, 16);
        a = mix(a, w[0]);
        b = mix(b, w[1]);
    }
    for (; i < n; ++i) a = mix(a, data[i]);
    return mix(a, b);
}

bool readAll(int fd, void* to, size_t n) {
    auto* at = static_cast<char*>(to);
    while (n > 0) {
        const ssize_t got = ::read(fd, at, n);
        if (got <= 0) return false;
        at += got;
        n -= size_t(got);
    }
    return true;
}

QString folder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/vell-thermo/pictures");
}

QString prefixFor(const QString& path) {
    return QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha1).toHex());
}

// The copy in file, when it is whole and undamaged: its header, then exactly its pixels.
std::optional<Copy> readCopy(const QString& file, const QString& path) {
    const int fd =
        ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    Header h{};
    QImage image;
    const bool read =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && readAll(fd, &h, sizeof h) &&
        std::memcmp(h.magic, kMagic, sizeof kMagic) == 0 && h.width > 0 && h.height > 0 &&
        (h.format == QImage::Format_RGB32 || h.format == QImage::Format_ARGB32_Premultiplied) &&
        info.st_size == qint64{sizeof h} + qint64{h.width} * h.height * 4 &&
        qint64{h.width} * h.height * 4 <= PictureReader::kMostDecodedBytes &&
        !(image = QImage(h.width, h.height, QImage::Format(h.format))).isNull() &&
        readAll(fd, image.bits(), size_t(image.sizeInBytes()));
    ::close(fd);
    if (!read || checksum(image.constBits(), image.sizeInBytes()) != h.checksum)
        return std::nullopt;
    return Copy{path, h.identity, QSize(h.coverWidth, h.coverHeight),
                ReadPicture{image, QSize(h.fullWidth, h.fullHeight)}};
}

// Writes the copy aside and renames it, so that a copy is either whole or not there. Best
// effort: a cache that cannot be written is left as it is.
void write(const Copy& copy) {
    const QImage& image = copy.picture.image;
    if (image.bytesPerLine() != qsizetype{image.width()} * 4) return;
    const QString target = PictureCopy::fileFor(copy.path, copy.cover);
    const QString ours = QFileInfo(folder()).absolutePath();
    if (!QDir().mkpath(QFileInfo(ours).absolutePath())) return;
    for (const QString& own : {ours, folder()})  // the user's pictures, for the user's eyes only
        ::mkdir(QFile::encodeName(own).constData(), 0700);
    // Copies of pictures since removed or changed do not pile up.
    const QFileInfoList copies = QDir(folder()).entryInfoList(QDir::Files, QDir::Time);
    for (qsizetype i = kMostCopies - 1; i < copies.size(); ++i)
        QFile::remove(copies[i].absoluteFilePath());
    Header h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.identity = copy.identity;
    h.coverWidth = copy.cover.width();
    h.coverHeight = copy.cover.height();
    h.fullWidth = copy.picture.fullSize.width();
    h.fullHeight = copy.picture.fullSize.height();
    h.width = image.width();
    h.height = image.height();
    h.format = image.format();
    h.checksum = checksum(image.constBits(), image.sizeInBytes());
    QSaveFile file(target);
    const auto bytes = [](const void* data) { return static_cast<const char*>(data); };
    if (file.open(QIODevice::WriteOnly) && file.write(bytes(&h), sizeof h) == qint64{sizeof h} &&
        file.write(bytes(image.constBits()), image.sizeInBytes()) == image.sizeInBytes())
        file.commit();
}

// Main thread only, like the layouts that use them.
std::optional<Copy> ahead;
QList<Copy> kept;
bool writing = false;

void writeKept() {
    for (const Copy& copy : std::exchange(kept, {})) write(copy);
}
}  // namespace

QString PictureCopy::fileFor(const QString& path, const QSize& cover) {
    return folder() + QLatin1Char('/') + prefixFor(path) +
           QStringLiteral("-%1x%2").arg(cover.width()).arg(cover.height());
}

void PictureCopy::readAhead(const QString& path) {
    const QFileInfoList copies = QDir(folder()).entryInfoList(
        {prefixFor(path) + QStringLiteral("-*")}, QDir::Files, QDir::Time);
    ahead = copies.isEmpty() ? std::nullopt : readCopy(copies.first().absoluteFilePath(), path);
}

std::optional<ReadPicture> PictureCopy::load(const QString& path, const FileIdentity& identity,
                                             const QSize& cover) {
    std::optional<Copy> copy;
    if (ahead && ahead->path == path) copy = std::exchange(ahead, std::nullopt);
    if (!copy || copy->cover != cover) copy = readCopy(fileFor(path, cover), path);
    if (!copy || copy->identity != identity || copy->cover != cover) return std::nullopt;
    return copy->picture;
}

void PictureCopy::keep(const QString& path, const FileIdentity& identity, const QSize& cover,
                       const ReadPicture& picture) {
    kept.removeIf([&](const Copy& c) { return c.path == path && c.cover == cover; });
    if (kept.size() >= kMostCopies) kept.removeFirst();
    kept.append({path, identity, cover, picture});
    if (writing && kept.size() == 1 && QCoreApplication::instance() != nullptr)
        QTimer::singleShot(0, QCoreApplication::instance(), &writeKept);
}

void PictureCopy::beginWriting() {
    writing = true;
    writeKept();
}

#include "skin/PictureCopy.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <array>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {
constexpr std::array<char, 8> kMagic = {'V', 'T', 'C', 'O', 'P', 'Y', '\3', '\0'};
constexpr qsizetype kMostCopies = 8;

// What precedes the pixels, in this machine's byte order: the cache is not shared.
struct Header {
    std::array<char, 8> magic;
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

// Four multiply-xorshift chains over 64-bit words, independent so that the processor runs them
// side by side: 3 ms for a copy at scale 2 here, where Qt's unseeded hash takes 11 (and a seeded
// one differs between processes). A changed word always changes the result.
quint64 checksum(const QImage& image) {
    const auto mix = [](quint64& h, quint64 w) { h = (h ^ w) * 0xff51afd7ed558ccdu, h ^= h >> 29; };
    std::array<quint64, 4> lane = {1, 2, 3, 4}, word{};
    const uchar* const bytes = image.constBits();
    const size_t n = size_t(image.sizeInBytes());
    size_t i = 0;
    for (; i + sizeof word <= n; i += sizeof word) {
        std::memcpy(word.data(), bytes + i, sizeof word);
        for (size_t k = 0; k < lane.size(); ++k) mix(lane[k], word[k]);
    }
    word = {};
    std::memcpy(word.data(), bytes + i, n - i);
    for (size_t k = 0; k < lane.size(); ++k) mix(lane[k], word[k]);
    return lane[0] ^ lane[1] ^ lane[2] ^ lane[3];
}

QString folder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/vell-thermo/pictures");
}

QString prefixFor(const QString& path) {
    return QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha1).toHex());
}

// A copy's pixels stay in its file, mapped: read from the page cache as the window paints, with
// no second copy made at start. Copies are only ever replaced by a rename, never rewritten in
// place, so a mapped one does not change under the window (fontconfig maps its caches the same
// way). The mapping is the header, which says how long it is, then the pixels.
void unmap(void* start) {
    Header h{};
    std::memcpy(&h, start, sizeof h);
    ::munmap(start, sizeof h + size_t(h.width) * size_t(h.height) * 4);
}

// The copy in file, when it is whole and undamaged: its header, then exactly its pixels.
std::optional<Copy> readCopy(const QString& file, const QString& path) {
    const int fd =
        ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    const std::optional<FileIdentity> identity = fd < 0 ? std::nullopt : FileIdentity::ofOpen(fd);
    const qint64 size = identity ? identity->size : 0;
    void* start = size >= qint64{sizeof(Header)} &&
                          size <= qint64{sizeof(Header)} + PictureReader::kMostDecodedBytes
                      ? ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0)
                      : MAP_FAILED;
    if (fd >= 0) ::close(fd);
    if (start == MAP_FAILED) return std::nullopt;
    Header h{};
    std::memcpy(&h, start, sizeof h);
    QImage image;
    if (h.magic == kMagic && h.width > 0 && h.height > 0 &&
        (h.format == QImage::Format_RGB32 || h.format == QImage::Format_ARGB32_Premultiplied) &&
        h.width <= PictureReader::kMostDecodedBytes / 4 / h.height &&  // no product overflows
        size == qint64{sizeof h} + qint64{h.width} * h.height * 4)
        image = QImage(static_cast<const uchar*>(start) + sizeof h, h.width, h.height,
                       qsizetype{h.width} * 4, QImage::Format(h.format), unmap, start);
    if (image.isNull()) ::munmap(start, size_t(size));  // else the image unmaps it
    if (image.isNull() || checksum(image) != h.checksum) return std::nullopt;
    return Copy{path, h.identity, QSize(h.coverWidth, h.coverHeight),
                ReadPicture{image, QSize(h.fullWidth, h.fullHeight)}};
}

// Written aside and renamed, so that a copy is either whole or not there. A cache that cannot be
// written is left as it is.
void write(const Copy& copy) {
    const QImage& image = copy.picture.image;
    if (image.bytesPerLine() != qsizetype{image.width()} * 4 || !QDir().mkpath(folder())) return;
    for (const QString& own : {folder() + QStringLiteral("/.."), folder()})  // the user's eyes only
        QFile::setPermissions(
            own, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Copies of pictures since removed or changed do not pile up.
    const QFileInfoList copies = QDir(folder()).entryInfoList(QDir::Files, QDir::Time);
    for (qsizetype i = kMostCopies - 1; i < copies.size(); ++i)
        QFile::remove(copies[i].absoluteFilePath());
    const QSize& full = copy.picture.fullSize;
    const Header h{
        kMagic,         copy.identity, copy.cover.width(), copy.cover.height(), full.width(),
        full.height(),  image.width(), image.height(),     image.format(),      0,
        checksum(image)};
    QSaveFile file(PictureCopy::fileFor(copy.path, copy.cover));
    if (file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char*>(&h), sizeof h) == qint64{sizeof h} &&
        file.write(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()) ==
            image.sizeInBytes())
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

void PictureCopy::readAhead(const QString& path, const QSize& cover) {
    QFileInfoList copies = QDir(folder()).entryInfoList({prefixFor(path) + QStringLiteral("-*")},
                                                        QDir::Files, QDir::Time);
    if (const QFileInfo exact(fileFor(path, cover)); exact.exists()) copies.prepend(exact);
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

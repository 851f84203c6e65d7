#include "skin/PictureCache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char kMagic[8] = {'V', 'T', 'P', 'I', 'C', '\1', '\0', '\0'};
constexpr qsizetype kMostCopies = 8;

// What precedes the pixels, in this machine's byte order: the cache is not shared.
struct Header {
    char magic[8];
    qint64 size;
    qint64 modifiedNs;
    quint64 inode;
    quint64 device;
    qint32 fullWidth;
    qint32 fullHeight;
    qint32 reduction;
    qint32 width;
    qint32 height;
    qint32 format;
};

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

class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    const int fd;
};

// Whether header describes a copy of the picture with identity, reduced for cover, that this
// program could have written.
bool matches(const Header& h, const FileIdentity& identity, const QSize& cover) {
    const QSize full(h.fullWidth, h.fullHeight);
    const int k = h.reduction;
    return std::memcmp(h.magic, kMagic, sizeof kMagic) == 0 &&
           FileIdentity{h.size, h.modifiedNs, h.inode, h.device} == identity && !full.isEmpty() &&
           k >= 2 && k == PictureDecoder::reductionFor(full, cover) &&
           h.width == (full.width() + k - 1) / k && h.height == (full.height() + k - 1) / k &&
           (h.format == QImage::Format_RGB32 || h.format == QImage::Format_ARGB32_Premultiplied) &&
           PictureDecoder::withinAllocationLimit(QSize(h.width, h.height));
}

// Makes room for one more copy: the folder keeps the most recently written few, so copies of
// pictures since removed or changed do not pile up.
void keepFewest(const QString& folder) {
    QDir dir(folder);
    const QFileInfoList copies = dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Time);
    for (qsizetype i = kMostCopies - 1; i < copies.size(); ++i)
        QFile::remove(copies[i].absoluteFilePath());
}
}  // namespace

QString PictureCache::fileFor(const QString& path) {
    const QByteArray name =
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha1).toHex();
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/vell-thermo/pictures/") + QString::fromLatin1(name);
}

std::optional<DecodedPicture> PictureCache::load(const QString& path, const FileIdentity& identity,
                                                 const QSize& cover) {
    if (cover.isEmpty()) return std::nullopt;
    const Descriptor file(::open(QFile::encodeName(fileFor(path)).constData(),
                                 O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    struct stat info {};
    Header h{};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !readAll(file.fd, &h, sizeof h) || !matches(h, identity, cover) ||
        info.st_size != qint64{sizeof h} + qint64{h.width} * h.height * 4)
        return std::nullopt;
    QImage image(h.width, h.height, QImage::Format(h.format));
    if (image.isNull() || image.bytesPerLine() != qsizetype{h.width} * 4 ||
        !readAll(file.fd, image.bits(), size_t(image.sizeInBytes())))
        return std::nullopt;
    return DecodedPicture{image, h.reduction, QSize(h.fullWidth, h.fullHeight)};
}

void PictureCache::store(const QString& path, const FileIdentity& identity,
                         const DecodedPicture& picture) {
    const QImage& image = picture.image;
    if (picture.reduction < 2 || image.bytesPerLine() != qsizetype{image.width()} * 4) return;
    const QString target = fileFor(path);
    const QString folder = QFileInfo(target).absolutePath();
    const QString ours = QFileInfo(folder).absolutePath();
    if (!QDir().mkpath(QFileInfo(ours).absolutePath())) return;
    for (const QString& own : {ours, folder})  // the user's pictures, for the user's eyes only
        ::mkdir(QFile::encodeName(own).constData(), 0700);
    keepFewest(folder);
    Header h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.size = identity.size;
    h.modifiedNs = identity.modifiedNs;
    h.inode = identity.inode;
    h.device = identity.device;
    h.fullWidth = picture.fullSize.width();
    h.fullHeight = picture.fullSize.height();
    h.reduction = picture.reduction;
    h.width = image.width();
    h.height = image.height();
    h.format = image.format();
    // Written aside and renamed, so that a copy is either whole or not there.
    QSaveFile file(target);
    const auto bytes = [](const void* data) { return static_cast<const char*>(data); };
    if (file.open(QIODevice::WriteOnly) && file.write(bytes(&h), sizeof h) == qint64{sizeof h} &&
        file.write(bytes(image.constBits()), image.sizeInBytes()) == image.sizeInBytes())
        file.commit();
}

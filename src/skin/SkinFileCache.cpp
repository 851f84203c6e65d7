#include "skin/SkinFileCache.h"

#include "skin/PictureDecoder.h"
#include "skin/PicturePrefetch.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

namespace {
FileIdentity identityOf(const struct stat& info) {
    FileIdentity id;
    id.size = static_cast<qint64>(info.st_size);
    id.modifiedNs = static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    id.inode = static_cast<quint64>(info.st_ino);
    id.device = static_cast<quint64>(info.st_dev);
    return id;
}
}  // namespace

std::optional<FileIdentity> FileIdentity::of(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return identityOf(info);
}

std::optional<FileIdentity> FileIdentity::ofOpen(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return identityOf(info);
}

bool SkinFileCache::Picture::covers(const QSize& cover) const {
    return whole || (image.width() >= cover.width() && image.height() >= cover.height());
}

QImage SkinFileCache::picture(const QString& path, const QSize& cover) {
    const std::optional<FileIdentity> id = FileIdentity::of(path);
    if (!id) {
        pictures.remove(path);
        return {};
    }
    auto it = pictures.find(path);
    const bool known = it != pictures.end() && it->identity == *id;
    if (known && it->value.covers(cover)) return it->value.image;
    // A view that grew past its picture gets the whole picture, so that a window dragged larger
    // decodes once more at most.
    const QSize wanted = known ? QSize() : cover;
    // The prefetch was decoded for the window the program opens; the view's very first frame may
    // be the screen's size, but the window is what it shows.
    std::optional<DecodedPicture> decoded = known ? std::nullopt : PicturePrefetch::take(path, *id);
    if (!decoded) decoded = PictureDecoder::readPng(path, wanted);
    if (!decoded) {
        // Anything else Qt reads, whole. Its allocation limit refuses pictures whose header asks
        // for absurd sizes.
        QImageReader reader(path);
        const QImage image = reader.read();
        decoded = DecodedPicture{image, 1, image.size()};
    }
    pictures.insert(path, {*id, {decoded->image, decoded->reduction == 1}});
    return decoded->image;
}

SkinFileCache::LabelFile SkinFileCache::labels(const QString& path) {
    const std::optional<FileIdentity> id = FileIdentity::of(path);
    LabelFile file;
    if (!id) {
        labelLists.remove(path);
        file.entries = LabelList::readFile(path, &file.notes);
        return file;
    }
    auto it = labelLists.find(path);
    if (it != labelLists.end() && it->identity == *id) return it->value;
    file.entries = LabelList::readFile(path, &file.notes);
    labelLists.insert(path, {*id, file});
    return file;
}

void SkinFileCache::keepOnly(const QString& folder) {
    const QString prefix = folder + QLatin1Char('/');
    pictures.removeIf([&](const auto& e) { return !e.key().startsWith(prefix); });
    labelLists.removeIf([&](const auto& e) { return !e.key().startsWith(prefix); });
}

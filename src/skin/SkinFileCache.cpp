#include "skin/SkinFileCache.h"

#include "skin/PicturePrefetch.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

std::optional<FileIdentity> FileIdentity::of(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    FileIdentity id;
    id.size = static_cast<qint64>(info.st_size);
    id.modifiedNs = static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    id.inode = static_cast<quint64>(info.st_ino);
    id.device = static_cast<quint64>(info.st_dev);
    return id;
}

QImage SkinFileCache::picture(const QString& path) {
    const std::optional<FileIdentity> id = FileIdentity::of(path);
    if (!id) {
        pictures.remove(path);
        return {};
    }
    auto it = pictures.find(path);
    if (it != pictures.end() && it->identity == *id) return it->value;
    QImage image;
    if (std::optional<QImage> early = PicturePrefetch::take(path, *id)) {
        image = std::move(*early);
    } else {
        // Qt's allocation limit refuses pictures whose header asks for absurd sizes.
        QImageReader reader(path);
        image = reader.read();
    }
    pictures.insert(path, {*id, image});
    return image;
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

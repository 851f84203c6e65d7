#include "skin/SkinFileCache.h"

#include "skin/PictureCopy.h"

ReadPicture SkinFileCache::picture(const QString& path, const QSize& cover) {
    const std::optional<FileIdentity> id = FileIdentity::of(path);
    if (!id) {
        pictures.remove(path);
        return {};
    }
    auto it = pictures.find(path);
    const bool known = it != pictures.end() && it->identity == *id;
    if (known) {
        const QSize shown = it->value.image.size();
        if (shown.expandedTo(PictureReader::shownSize(it->value.fullSize, cover)) == shown)
            return it->value;
    }
    // A view that grew past its picture gets the whole picture, so that a window dragged larger
    // reads it once more at most.
    std::optional<ReadPicture> read;
    if (!known && !cover.isEmpty()) read = PictureCopy::load(path, *id, cover);
    if (!read) {
        read = PictureReader::read(path, known ? QSize() : cover);
        if (!known && read->image.size() != read->fullSize)
            PictureCopy::keep(path, *id, cover, *read);
    }
    pictures.insert(path, {*id, *read});
    return *read;
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

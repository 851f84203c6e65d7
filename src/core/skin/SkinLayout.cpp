#include "skin/SkinLayout.h"

#include "platform/Bundle.h"
#include "skin/PictureChoice.h"
#include "skin/SkinFileCache.h"

namespace {
QStringList limitLines(const PlacementLimits& limits) {
    QStringList lines;
    if (limits.pastLastLabel > 0)
        lines << QStringLiteral("%1 labels.plist entries past the first %2 not shown.")
                     .arg(limits.pastLastLabel)
                     .arg(PlacementLimits::kMaxLabels);
    if (limits.offView > 0)
        lines
            << QStringLiteral("%1 labels lie far outside the view; not shown.").arg(limits.offView);
    if (limits.titlesCut > 0)
        lines << QStringLiteral("%1 label titles cut to %2 characters.")
                     .arg(limits.titlesCut)
                     .arg(PlacementLimits::kMaxTitleLength);
    return lines;
}
}  // namespace

SkinLayout SkinLayout::make(const Bundle& bundle, const QString& skin, const QSizeF& size,
                            Device::Idiom idiom, SkinFileCache& files, const QSize& cover) {
    SkinLayout layout;
    layout.pictureName = backgroundResourceName(idiom, size);
    layout.picturePath = bundle.pathForResource(layout.pictureName, QStringLiteral("png"), skin);
    if (!layout.picturePath.isNull()) {
        const ReadPicture read = files.picture(layout.picturePath, cover);
        layout.picture = read.image;
        if (!read.image.isNull()) layout.pictureSize = read.fullSize;
    }
    if (layout.picture.isNull())
        layout.problems << QStringLiteral("%1 NOT exist.")
                               .arg(layout.picturePath.isNull() ? QStringLiteral("(null)")
                                                                : layout.picturePath);

    const SkinFileCache::LabelFile labels = files.labels(
        bundle.pathForResource(QStringLiteral("labels"), QStringLiteral("plist"), skin));
    layout.labelsRead = labels.entries.has_value();
    if (!labels.entries) {
        layout.problems << QStringLiteral("labels file NOT found.");
        return layout;
    }
    layout.problems << labels.notes;
    PlacementLimits limits;
    layout.labels = placeLabels(*labels.entries, size, &limits);
    layout.problems << limitLines(limits);
    return layout;
}

#pragma once

#include "platform/Device.h"
#include "skin/LabelPlacement.h"

#include <QImage>
#include <QSizeF>
#include <QStringList>

class Bundle;
class SkinFileCache;

// One skin laid out at one size and idiom, without a window: the picture it shows, its labels
// as placed, and the lines the window logs about the skin's files, in the window's words and
// order. The window shows and logs this; the skin checker prints it.
struct SkinLayout {
    QString pictureName;      // resource name, such as "background_Mac_Landscape"
    QString picturePath;      // null when the skin has no such file
    QImage picture;           // null when missing or not decodable
    QSize pictureSize{0, 0};  // the file's picture in pixels, which may be shown reduced
    bool labelsRead = false;
    QList<PlacedLabel> labels;
    QStringList problems;

    // Files come through files, so that an unchanged file is not read again. The picture may
    // come reduced, no smaller than cover pixels; whole when cover is empty.
    static SkinLayout make(const Bundle& bundle, const QString& skin, const QSizeF& size,
                           Device::Idiom idiom, SkinFileCache& files, const QSize& cover = {});
};

#include "skin/PictureChoice.h"

#include "platform/Device.h"

QString backgroundResourceName(Device::Idiom idiom, const QSizeF& size) {
    const bool landscape = size.width() > size.height();
    if (idiom == Device::Idiom::Mac) return QStringLiteral("background_Mac_Landscape");
    if (idiom == Device::Idiom::Pad)
        return landscape ? QStringLiteral("background_iPad_Landscape")
                         : QStringLiteral("background_iPad_Portrait");
    return landscape ? QStringLiteral("background_iPhone_Landscape")
                     : QStringLiteral("background_iPhone_Portrait");
}

QStringList allBackgroundResourceNames() {
    QStringList names;
    for (const Device::Idiom idiom : {Device::Idiom::Mac, Device::Idiom::Pad, Device::Idiom::Phone})
        for (const QSizeF shape : {QSizeF(2, 1), QSizeF(1, 2)})
            names.append(backgroundResourceName(idiom, shape));
    names.removeDuplicates();
    return names;
}

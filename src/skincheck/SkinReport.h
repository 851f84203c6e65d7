#pragma once

#include "platform/Device.h"
#include "skin/LabelPlacement.h"
#include "skincheck/SkinWarning.h"

#include <QByteArray>
#include <QSize>
#include <QStringList>

// What the layout would make of every installed skin at one window size and idiom, for skin
// authors: the picture it would choose, and each label as it would be placed.
struct SkinReport {
    struct Picture {
        QString name;  // resource name, such as "background_Mac_Landscape"
        QString path;  // null when the skin has no such file
        bool decodes = false;
        QSize pixels;
    };
    struct Label {
        PlacedLabel placement;
        QString resolvedFont;
        bool opens = false;
    };
    struct Skin {
        QString name;
        QString path;
        Picture picture;
        bool labelsRead = false;
        QList<Label> labels;
        QStringList problems;         // what the layout would log for this skin
        QList<SkinWarning> warnings;  // what works, but likely not as meant
    };

    QString bundle;
    bool bundleOpened = false;
    bool oneFolder = false;  // checks one skin folder of bundle, installed or not
    QSizeF size;             // the window's
    QSizeF view;             // what the skins are laid out in: the window's view at that size
    Device::Idiom idiom = Device::Idiom::Mac;
    QList<Skin> skins;

    // Both lay the skins out in a view of size. Installs the packaged skins first when the home
    // has none, as the window would.
    static SkinReport build(const QString& home, const QSizeF& size, Device::Idiom idiom);
    // The same for one skin folder anywhere; nothing is installed.
    static SkinReport buildForFolder(const QString& folder, const QSizeF& size,
                                     Device::Idiom idiom);

    bool hasProblems() const;
    bool hasWarnings() const;
    QString toText() const;
    QByteArray toJson() const;

private:
    QString skinsText() const;
};

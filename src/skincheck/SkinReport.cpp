#include "skincheck/SkinReport.h"

#include "platform/Bundle.h"
#include "platform/UrlOpener.h"
#include "skin/PictureChoice.h"
#include "skin/SkinFileCache.h"
#include "skin/SkinLayout.h"
#include "skin/SkinStore.h"
#include "skincheck/SkinLint.h"
#include "text/FontLookup.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace {
SkinReport::Skin inspect(const Bundle& bundle, const QString& name, const QSizeF& size,
                         Device::Idiom idiom) {
    SkinReport::Skin skin;
    skin.name = name;
    skin.path = bundle.bundlePath() + QLatin1Char('/') + name;
    SkinFileCache files;
    const SkinLayout layout = SkinLayout::make(bundle, name, size, idiom, files);
    skin.picture.name = layout.pictureName;
    skin.picture.path = layout.picturePath;
    skin.picture.decodes = !layout.picture.isNull();
    skin.picture.pixels = layout.pictureSize;
    skin.labelsRead = layout.labelsRead;
    skin.problems = layout.problems;
    skin.warnings = SkinLint::check(bundle, name, size, idiom, layout.labels);
    for (const PlacedLabel& placement : layout.labels) {
        SkinReport::Label label{placement, {}, false};
        label.resolvedFont = FontLookup::resolvedName(
            FontLookup::fontWithName(placement.fontName, static_cast<qreal>(placement.fontSize)));
        label.opens = placement.url && UrlOpener::isOpenableLink(*placement.url);
        skin.labels.append(label);
    }
    return skin;
}

QString number(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString idiomName(Device::Idiom idiom) {
    switch (idiom) {
        case Device::Idiom::Mac:
            return QStringLiteral("mac");
        case Device::Idiom::Pad:
            return QStringLiteral("pad");
        case Device::Idiom::Phone:
            break;
    }
    return QStringLiteral("phone");
}
}  // namespace

SkinReport SkinReport::build(const QString& home, const QSizeF& size, Device::Idiom idiom) {
    SkinReport report;
    report.size = report.view = size;
    report.idiom = idiom;
    report.bundle = SkinStore::installedBundlePath(home);
    SkinStore::installIfMissing(Bundle::packagedSkinBundlePath(), report.bundle);
    const std::unique_ptr<Bundle> bundle = Bundle::initWithPath(report.bundle);
    report.bundleOpened = bundle != nullptr;
    if (!bundle) return report;
    for (const QString& name : SkinStore::skinNames(report.bundle))
        report.skins.append(inspect(*bundle, name, size, idiom));
    return report;
}

SkinReport SkinReport::buildForFolder(const QString& folder, const QSizeF& size,
                                      Device::Idiom idiom) {
    SkinReport report;
    report.size = report.view = size;
    report.idiom = idiom;
    report.oneFolder = true;
    const QFileInfo skin(QDir::cleanPath(QDir(folder).absolutePath()));
    report.bundle = skin.absolutePath();
    const std::unique_ptr<Bundle> bundle = Bundle::initWithPath(report.bundle);
    report.bundleOpened = bundle != nullptr && skin.isDir() && !skin.fileName().isEmpty();
    if (report.bundleOpened) report.skins.append(inspect(*bundle, skin.fileName(), size, idiom));
    return report;
}

bool SkinReport::hasWarnings() const {
    for (const Skin& skin : skins)
        if (!skin.warnings.isEmpty()) return true;
    return false;
}

bool SkinReport::hasProblems() const {
    if (!bundleOpened) return true;
    for (const Skin& skin : skins)
        if (!skin.problems.isEmpty()) return true;
    return false;
}

QString SkinReport::toText() const {
    const QString at = QStringLiteral("at %1x%2 (view %3x%4), idiom %5\n")
                           .arg(number(size.width()), number(size.height()), number(view.width()),
                                number(view.height()), idiomName(idiom));
    // Paths are names from the disk too: a folder's name cannot steer the terminal either.
    const auto shown = &SkinWarning::escaped;
    if (oneFolder) {
        if (!bundleOpened)
            return QStringLiteral("No skin folder to read in %1\n").arg(shown(bundle));
        return QStringLiteral("Skin folder %1 %2").arg(shown(skins.first().path), at) + skinsText();
    }
    const QString out = QStringLiteral("Skins in %1 %2").arg(shown(bundle), at);
    if (!bundleOpened) return out + QStringLiteral("skin.bundle NOT exist in your project.\n");
    return out + skinsText();
}

QString SkinReport::skinsText() const {
    // Names, titles and links come from skin files: no control character reaches the terminal.
    const auto shown = &SkinWarning::escaped;
    QString out;
    for (const Skin& skin : skins) {
        out += QStringLiteral("\n%1\n").arg(shown(skin.name));
        out += QStringLiteral("  picture  %1.png  ").arg(skin.picture.name);
        if (skin.picture.path.isNull())
            out += QStringLiteral("missing\n");
        else if (!skin.picture.decodes)
            out += QStringLiteral("cannot be decoded\n");
        else
            out += QStringLiteral("%1x%2\n")
                       .arg(skin.picture.pixels.width())
                       .arg(skin.picture.pixels.height());
        if (!skin.labelsRead) {
            out += QStringLiteral("  labels   labels.plist NOT found\n");
        } else {
            out += QStringLiteral("  labels   %1\n").arg(skin.labels.size());
        }
        int index = 0;
        for (const Label& label : skin.labels) {
            const PlacedLabel& s = label.placement;
            out += QStringLiteral("    %1  frame (%2, %3, %4, %5)  colour (%6, %7, %8, %9)\n")
                       .arg(++index)
                       .arg(number(s.frame.x()), number(s.frame.y()), number(s.frame.width()),
                            number(s.frame.height()), number(static_cast<double>(s.rgba[0])),
                            number(static_cast<double>(s.rgba[1])),
                            number(static_cast<double>(s.rgba[2])),
                            number(static_cast<double>(s.rgba[3])));
            out += QStringLiteral("       font %1 %2 -> %3\n")
                       .arg(shown(s.fontName), number(static_cast<double>(s.fontSize)),
                            label.resolvedFont);
            out += QStringLiteral("       title \"%1\"").arg(shown(s.title));
            if (s.url)
                out += QStringLiteral("  url %1 (%2)")
                           .arg(shown(*s.url), label.opens ? QStringLiteral("opens")
                                                           : QStringLiteral("does not open"));
            out += QLatin1Char('\n');
        }
        for (const QString& problem : skin.problems)
            out += QStringLiteral("  problem  %1\n").arg(shown(problem));
        for (const SkinWarning& warning : skin.warnings)
            out += QStringLiteral("  warning  %1\n").arg(warning.line(skin.name));
    }
    return out;
}

namespace {
QJsonObject labelJson(const SkinReport::Label& label) {
    const PlacedLabel& s = label.placement;
    return QJsonObject{
        {QStringLiteral("frame"), QJsonObject{{QStringLiteral("x"), s.frame.x()},
                                              {QStringLiteral("y"), s.frame.y()},
                                              {QStringLiteral("width"), s.frame.width()},
                                              {QStringLiteral("height"), s.frame.height()}}},
        {QStringLiteral("color"),
         QJsonObject{{QStringLiteral("red"), static_cast<double>(s.rgba[0])},
                     {QStringLiteral("green"), static_cast<double>(s.rgba[1])},
                     {QStringLiteral("blue"), static_cast<double>(s.rgba[2])},
                     {QStringLiteral("alpha"), static_cast<double>(s.rgba[3])}}},
        {QStringLiteral("font"),
         QJsonObject{{QStringLiteral("requested"), s.fontName},
                     {QStringLiteral("size"), static_cast<double>(s.fontSize)},
                     {QStringLiteral("resolved"), label.resolvedFont}}},
        {QStringLiteral("title"), s.title},
        {QStringLiteral("url"), s.url ? QJsonValue(*s.url) : QJsonValue()},
        {QStringLiteral("opens"), label.opens},
    };
}

QJsonObject warningJson(const SkinWarning& warning, const QString& skin) {
    return QJsonObject{
        {QStringLiteral("file"), warning.file},
        {QStringLiteral("entry"), warning.entry > 0 ? QJsonValue(warning.entry) : QJsonValue()},
        {QStringLiteral("key"), warning.key.isEmpty() ? QJsonValue() : QJsonValue(warning.key)},
        {QStringLiteral("message"), warning.message},
        {QStringLiteral("line"), warning.line(skin)},
    };
}

QJsonObject pictureJson(const SkinReport::Picture& picture) {
    QJsonObject json{
        {QStringLiteral("name"), picture.name},
        {QStringLiteral("path"), picture.path.isNull() ? QJsonValue() : QJsonValue(picture.path)},
        {QStringLiteral("exists"), !picture.path.isNull()},
        {QStringLiteral("decodes"), picture.decodes}};
    if (picture.decodes) {
        json.insert(QStringLiteral("width"), picture.pixels.width());
        json.insert(QStringLiteral("height"), picture.pixels.height());
    }
    return json;
}

QJsonObject skinJson(const SkinReport::Skin& skin) {
    QJsonArray labels;
    for (const SkinReport::Label& label : skin.labels) labels.append(labelJson(label));
    QJsonArray warnings;
    for (const SkinWarning& warning : skin.warnings)
        warnings.append(warningJson(warning, skin.name));
    return QJsonObject{
        {QStringLiteral("name"), skin.name},
        {QStringLiteral("path"), skin.path},
        {QStringLiteral("picture"), pictureJson(skin.picture)},
        {QStringLiteral("labelsRead"), skin.labelsRead},
        {QStringLiteral("labels"), labels},
        {QStringLiteral("problems"), QJsonArray::fromStringList(skin.problems)},
        {QStringLiteral("warnings"), warnings},
    };
}
}  // namespace

QByteArray SkinReport::toJson() const {
    QJsonArray skinList;
    for (const Skin& skin : skins) skinList.append(skinJson(skin));
    const QJsonObject root{
        {QStringLiteral("bundle"), bundle},
        {QStringLiteral("bundleOpened"), bundleOpened},
        {QStringLiteral("size"), QJsonObject{{QStringLiteral("width"), size.width()},
                                             {QStringLiteral("height"), size.height()}}},
        {QStringLiteral("view"), QJsonObject{{QStringLiteral("width"), view.width()},
                                             {QStringLiteral("height"), view.height()}}},
        {QStringLiteral("idiom"), static_cast<int>(idiom)},
        {QStringLiteral("idiomName"), idiomName(idiom)},
        {QStringLiteral("oneFolder"), oneFolder},
        {QStringLiteral("skins"), skinList},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

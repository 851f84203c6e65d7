#include "text/FontLookup.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace {
// Joined at exit when the program ends before it is done.
std::jthread& warmUpThread() {
    static std::jthread thread;
    return thread;
}

struct Face {
    QString family;
    QString style;
    int weight = QFont::Normal;
    bool italic = false;
    bool installed = false;  // found by its PostScript name, not spelled out
};

// fontconfig's exact PostScript-name list; its best-match search drops weights and changes
// families, which is worse than spelling the name out ourselves.
std::optional<Face> installedFace(const QString& postScriptName) {
    const QByteArray name = postScriptName.toUtf8();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_POSTSCRIPT_NAME,
                       reinterpret_cast<const FcChar8*>(name.constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_WEIGHT, FC_SLANT, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    std::optional<Face> face;
    if (fonts != nullptr && fonts->nfont > 0) {
        FcPattern* font = fonts->fonts[0];
        FcChar8* text = nullptr;
        Face found;
        if (FcPatternGetString(font, FC_FAMILY, 0, &text) == FcResultMatch)
            found.family = QString::fromUtf8(reinterpret_cast<const char*>(text));
        if (FcPatternGetString(font, FC_STYLE, 0, &text) == FcResultMatch)
            found.style = QString::fromUtf8(reinterpret_cast<const char*>(text));
        int value = 0;
        if (FcPatternGetInteger(font, FC_WEIGHT, 0, &value) == FcResultMatch)
            found.weight = std::clamp(FcWeightToOpenType(value), 1, 1000);
        if (FcPatternGetInteger(font, FC_SLANT, 0, &value) == FcResultMatch)
            found.italic = value != FC_SLANT_ROMAN;
        found.installed = true;
        if (!found.family.isEmpty()) face = found;
    }
    if (fonts != nullptr) FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return face;
}

Face spelledFace(const QString& postScriptName) {
    const qsizetype dash = postScriptName.lastIndexOf(QLatin1Char('-'));
    Face face;
    face.family = dash > 0 ? postScriptName.left(dash) : postScriptName;
    const QString style = dash > 0 ? postScriptName.mid(dash + 1) : QString();
    face.weight = FontLookup::weightForStyle(style);
    face.italic = style.contains(QLatin1String("Italic"), Qt::CaseInsensitive) ||
                  style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive);
    if (!QFontDatabase::hasFamily(face.family)) face.family.clear();  // Qt's default family
    return face;
}

const Face& faceFor(const QString& postScriptName) {
    static QHash<QString, Face> cache;
    auto it = cache.constFind(postScriptName);
    if (it == cache.constEnd()) {
        // The warm-up, if one runs, finishes first: one thread at a time sets fontconfig up.
        if (warmUpThread().joinable()) warmUpThread().join();
        // Skin files may hold anything; a name this long names no font.
        const std::optional<Face> installed =
            postScriptName.size() <= 256 ? installedFace(postScriptName) : std::nullopt;
        it = cache.insert(postScriptName, installed ? *installed : spelledFace(postScriptName));
    }
    return *it;
}
}  // namespace

QFont::Weight FontLookup::weightForStyle(const QString& style) {
    static const std::pair<const char*, QFont::Weight> kWeights[] = {
        {"thin", QFont::Thin},
        {"hairline", QFont::Thin},
        {"ultralight", QFont::ExtraLight},
        {"extralight", QFont::ExtraLight},
        {"light", QFont::Light},
        {"regular", QFont::Normal},
        {"medium", QFont::Medium},
        {"semibold", QFont::DemiBold},
        {"demibold", QFont::DemiBold},
        {"extrabold", QFont::ExtraBold},
        {"ultrabold", QFont::ExtraBold},
        {"heavy", QFont::Black},
        {"black", QFont::Black},
        {"bold", QFont::Bold},
    };
    const QString lower = style.toLower();
    for (const auto& [name, weight] : kWeights)
        if (lower.startsWith(QLatin1String(name))) return weight;
    return QFont::Normal;
}

bool FontLookup::isInstalled(const QString& postScriptName) {
    return faceFor(postScriptName).installed;
}

QFont FontLookup::fontWithName(const QString& postScriptName, qreal size) {
    const Face& face = faceFor(postScriptName);
    QFont font;
    if (!face.family.isEmpty()) font.setFamily(face.family);
    if (!face.style.isEmpty()) font.setStyleName(face.style);
    font.setWeight(static_cast<QFont::Weight>(face.weight));
    font.setItalic(face.italic);
    // Skin points are device-independent pixels; Qt's points are 1/72 inch at 96 per inch.
    const qreal points = std::isfinite(size) && size > 0 ? std::min<qreal>(size, 4096) : 1;
    font.setPointSizeF(points * 0.75);
    return font;
}

QString FontLookup::resolvedName(const QFont& font) {
    const QFontInfo info(font);
    return info.styleName().isEmpty() ? info.family()
                                      : info.family() + QLatin1Char(' ') + info.styleName();
}

void FontLookup::warmUp() {
    if (warmUpThread().joinable()) return;
    warmUpThread() = std::jthread([] {
        // fontconfig is safe to use from several threads; this only fills its caches.
        if (FcInit() == FcFalse) return;
        FcPattern* pattern = FcPatternCreate();
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_POSTSCRIPT_NAME, nullptr);
        FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
        if (fonts != nullptr) FcFontSetDestroy(fonts);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
    });
}

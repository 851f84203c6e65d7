#include "skincheck/SkinLint.h"

#include "platform/Bundle.h"
#include "platform/Device.h"
#include "platform/UrlOpener.h"
#include "skin/PictureChoice.h"
#include "skin/PictureReader.h"
#include "skincheck/LabelLint.h"
#include "text/FontLookup.h"

#include <QFile>
#include <QGuiApplication>
#include <QLocale>

#include <algorithm>

namespace {
struct Picture {
    Device::Idiom idiom;
    bool landscape;
    const char* when;
};

// One way to reach each of the five pictures.
const Picture kPictures[] = {
    {Device::Idiom::Mac, true, "--idiom mac in any window"},
    {Device::Idiom::Pad, true, "--idiom pad in a window wider than tall"},
    {Device::Idiom::Pad, false, "--idiom pad in a window not wider than tall"},
    {Device::Idiom::Phone, true, "--idiom phone in a window wider than tall"},
    {Device::Idiom::Phone, false, "--idiom phone in a window not wider than tall"},
};

QString number(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// Hundredths are plenty in a line for people; --check-skins --json has the exact frames.
QString rounded(double value) {
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString sizeText(const QSizeF& size) {
    return number(size.width()) + QLatin1Char('x') + number(size.height());
}

// The window a picture covers: the checked size, turned to the picture's shape.
QSizeF coveredBy(const Picture& picture, const QSizeF& size) {
    if (picture.idiom == Device::Idiom::Mac) return size;
    const double longer = std::max(size.width(), size.height());
    const double shorter = std::min(size.width(), size.height());
    return picture.landscape ? QSizeF(longer, shorter) : QSizeF(shorter, longer);
}

void checkPictures(const Bundle& bundle, const QString& skin, const QSizeF& size,
                   Device::Idiom idiom, QList<SkinWarning>& out) {
    const QString shown = backgroundResourceName(idiom, size);
    const double ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    for (const Picture& picture : kPictures) {
        const QSizeF covered = coveredBy(picture, size);
        const QString name = backgroundResourceName(picture.idiom, covered);
        const QString file = name + QStringLiteral(".png");
        const QString path = bundle.pathForResource(name, QStringLiteral("png"), skin);
        // The picture of the checked size is already a problem when it is missing or broken.
        const bool reported = name == shown;
        if (path.isNull()) {
            if (!reported)
                out.append({file,
                            0,
                            {},
                            QStringLiteral("missing; %1 shows no picture of this skin")
                                .arg(QLatin1String(picture.when))});
            continue;
        }
        // The header only: decoding every picture of every skin would take seconds.
        const QSize pixels = PictureReader::size(path);
        if (pixels.isEmpty()) {
            if (!reported) out.append({file, 0, {}, QStringLiteral("cannot be read as a picture")});
            continue;
        }
        const double stretch = std::max(covered.width() * ratio / pixels.width(),
                                        covered.height() * ratio / pixels.height());
        if (stretch > SkinLint::kMaxStretch)
            out.append({file,
                        0,
                        {},
                        QStringLiteral("%1x%2 pixels, stretched %3 times to cover a %4 window")
                            .arg(pixels.width())
                            .arg(pixels.height())
                            .arg(QString::number(stretch, 'f', 1), sizeText(covered))});
    }
}

// The key's string value as written, when it is one.
std::optional<QString> textOf(const RawLabelEntry& entry, const char* key) {
    for (const RawLabelValue& value : entry.values)
        if (value.key == QLatin1String(key) && value.kind == RawLabelValue::Kind::String)
            return value.text;
    return std::nullopt;
}

void checkPlacements(const QList<RawLabelEntry>& entries, const QList<PlacedLabel>& placements,
                     const QSizeF& size, QList<SkinWarning>& out) {
    const QString file = QStringLiteral("labels.plist");
    qsizetype placed = 0;
    int index = 0;
    for (const RawLabelEntry& entry : entries) {
        ++index;
        if (!entry.isDictionary) continue;
        if (placed >= placements.size()) break;
        const PlacedLabel& label = placements.at(placed++);
        const QRectF& frame = label.frame;
        const QString where = QStringLiteral("(%1, %2, %3, %4)")
                                  .arg(rounded(frame.x()), rounded(frame.y()),
                                       rounded(frame.width()), rounded(frame.height()));
        // The running offset is a 32-bit float: a first label with no gap ends a hair below
        // the bottom edge, which no one can see.
        constexpr double kSlack = 0.01;
        if (frame.height() > 0 && frame.bottom() <= 0)
            out.append({file,
                        index,
                        {},
                        QStringLiteral("the label %1 lies wholly above a %2 window")
                            .arg(where, sizeText(size))});
        else if (frame.height() > 0 && frame.top() < -kSlack)
            out.append({file,
                        index,
                        {},
                        QStringLiteral("the label %1 reaches above the top of a %2 window")
                            .arg(where, sizeText(size))});
        else if (frame.height() > 0 && frame.bottom() > size.height() + kSlack)
            out.append({file, index, QStringLiteral("BOTTOM"),
                        QStringLiteral("the label %1 reaches below the bottom of a %2 window")
                            .arg(where, sizeText(size))});

        const std::optional<QString> font = textOf(entry, "FONTNAME");
        if (font && !font->isEmpty() && !FontLookup::isInstalled(*font))
            out.append({file, index, QStringLiteral("FONTNAME"),
                        QStringLiteral("\"%1\" is not installed; shows as %2")
                            .arg(SkinWarning::shown(*font),
                                 FontLookup::resolvedName(FontLookup::fontWithName(
                                     *font, static_cast<qreal>(label.fontSize))))});

        if (label.url && !UrlOpener::isOpenableLink(*label.url))
            out.append({file, index, QStringLiteral("URL"),
                        QStringLiteral("\"%1\" will not open; links open only as http or https "
                                       "with a host, mailto or tel")
                            .arg(SkinWarning::shown(*label.url))});
    }
}

// A property list in the OpenStep text format starts with its array or dictionary.
bool isOpenStep(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return false;
    QByteArray start = file.read(4096);
    if (start.startsWith("\xEF\xBB\xBF")) start.remove(0, 3);
    const QByteArray text = start.trimmed();
    return text.startsWith('(') || text.startsWith('{');
}
}  // namespace

QList<SkinWarning> SkinLint::check(const Bundle& bundle, const QString& skin, const QSizeF& size,
                                   Device::Idiom idiom, const QList<PlacedLabel>& placements) {
    QList<SkinWarning> warnings;
    checkPictures(bundle, skin, size, idiom, warnings);
    const std::optional<QList<RawLabelEntry>> entries = LabelList::readRawFile(
        bundle.pathForResource(QStringLiteral("labels"), QStringLiteral("plist"), skin));
    if (!entries) {  // the layout logs that itself; the format may say why
        if (isOpenStep(
                bundle.pathForResource(QStringLiteral("labels"), QStringLiteral("plist"), skin)))
            warnings.append({QStringLiteral("labels.plist"),
                             0,
                             {},
                             QStringLiteral("the file is in the old OpenStep text format, which "
                                            "cannot be read; save it as XML or binary")});
        return warnings;
    }
    warnings += LabelLint::check(*entries);
    checkPlacements(*entries, placements, size, warnings);
    // Pictures first, then entry by entry as the file reads.
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const SkinWarning& a, const SkinWarning& b) { return a.entry < b.entry; });
    return warnings;
}

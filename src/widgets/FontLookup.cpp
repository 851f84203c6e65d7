#include "widgets/FontLookup.h"

#include <QFontDatabase>
#include <QFontInfo>

QFont::Weight FontLookup::weightForStyle(const QString& style)
{
    static const std::pair<const char*, QFont::Weight> kWeights[] = {
        {"thin", QFont::Thin},         {"hairline", QFont::Thin},
        {"ultralight", QFont::ExtraLight}, {"extralight", QFont::ExtraLight},
        {"light", QFont::Light},       {"regular", QFont::Normal},
        {"medium", QFont::Medium},     {"semibold", QFont::DemiBold},
        {"demibold", QFont::DemiBold}, {"extrabold", QFont::ExtraBold},
        {"ultrabold", QFont::ExtraBold}, {"heavy", QFont::Black},
        {"black", QFont::Black},       {"bold", QFont::Bold},
    };
    const QString lower = style.toLower();
    for (const auto& [name, weight] : kWeights)
        if (lower.startsWith(QLatin1String(name))) return weight;
    return QFont::Normal;
}

QFont FontLookup::fontWithName(const QString& postScriptName, qreal size)
{
    const qsizetype dash = postScriptName.lastIndexOf(QLatin1Char('-'));
    const QString family = dash > 0 ? postScriptName.left(dash) : postScriptName;
    const QString style = dash > 0 ? postScriptName.mid(dash + 1) : QString();

    QFont font;
    if (QFontDatabase::hasFamily(family)) font.setFamily(family);
    font.setWeight(weightForStyle(style));
    font.setItalic(style.contains(QLatin1String("Italic"), Qt::CaseInsensitive) ||
                   style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive));
    // Points here are logical pixels; Qt's points follow the screen's logical DPI.
    font.setPointSizeF(size > 0 ? size * 0.75 : 0.75);
    return font;
}

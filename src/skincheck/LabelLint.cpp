#include "skincheck/LabelLint.h"

#include "skin/LabelPlacement.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
using Kind = RawLabelValue::Kind;

enum class Type { Number, Text };

struct Key {
    const char* name;
    Type type;
    const char* whenIgnored;  // what the layout does without a usable value
};

const Key kKeys[] = {
    {"COLOR_RED", Type::Number, "red 0"},          {"COLOR_GREEN", Type::Number, "green 0"},
    {"COLOR_BLUE", Type::Number, "blue 0"},        {"COLOR_ALPHA", Type::Number, "opaque"},
    {"FONTNAME", Type::Text, "PingFangSC-Medium"}, {"FONTSIZE", Type::Number, "12 points"},
    {"BOTTOM", Type::Number, "a gap of 0"},        {"TITLE", Type::Text, "the label shows no text"},
    {"URL", Type::Text, "the label has no link"},
};

// Names authors reach for that are no key here.
const std::pair<const char*, const char*> kAliases[] = {
    {"TEXT", "TITLE"},
    {"LABEL", "TITLE"},
    {"LINK", "URL"},
    {"HREF", "URL"},
    {"FONT", "FONTNAME"},
    {"FONTFAMILY", "FONTNAME"},
    {"FAMILY", "FONTNAME"},
    {"SIZE", "FONTSIZE"},
    {"RED", "COLOR_RED"},
    {"GREEN", "COLOR_GREEN"},
    {"BLUE", "COLOR_BLUE"},
    {"ALPHA", "COLOR_ALPHA"},
    {"OPACITY", "COLOR_ALPHA"},
    {"MARGIN", "BOTTOM"},
    {"GAP", "BOTTOM"},
    {"SPACING", "BOTTOM"},
};

const Key* knownKey(const QString& name) {
    for (const Key& key : kKeys)
        if (name == QLatin1String(key.name)) return &key;
    return nullptr;
}

// Upper case, letters and digits only, British spelling folded: "colour_red" gives "COLORRED".
QString normalised(const QString& key) {
    QString out;
    for (const QChar c : key)
        if (c.isLetterOrNumber() && c.unicode() < 128) out += c.toUpper();
    return out.replace(QLatin1String("COLOUR"), QLatin1String("COLOR"));
}

// Edits between two short strings, a swap of neighbours counting as one.
int distance(const QString& a, const QString& b) {
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    std::vector<std::vector<int>> d(static_cast<size_t>(n + 1),
                                    std::vector<int>(static_cast<size_t>(m + 1)));
    auto at = [&d](qsizetype i, qsizetype j) -> int& {
        return d[static_cast<size_t>(i)][static_cast<size_t>(j)];
    };
    for (qsizetype i = 0; i <= n; ++i) at(i, 0) = static_cast<int>(i);
    for (qsizetype j = 0; j <= m; ++j) at(0, j) = static_cast<int>(j);
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(n, m);
}

QString number(double value) {
    return QString::number(value, 'g', 7);
}

QString kindName(Kind kind) {
    switch (kind) {
        case Kind::String:
            return QStringLiteral("a string");
        case Kind::Integer:
            return QStringLiteral("an integer");
        case Kind::Real:
            return QStringLiteral("a real");
        case Kind::Boolean:
            return QStringLiteral("a boolean");
        case Kind::Date:
            return QStringLiteral("a date");
        case Kind::Data:
            return QStringLiteral("data");
        case Kind::Array:
            return QStringLiteral("an array");
        case Kind::Dictionary:
            return QStringLiteral("a dictionary");
        case Kind::Other:
            break;
    }
    return QStringLiteral("a value of another type");
}

class EntryCheck {
public:
    EntryCheck(int entry, QList<SkinWarning>& out) : entry(entry), out(out) {}

    void value(const RawLabelValue& value) {
        const Key* key = knownKey(value.key);
        if (key == nullptr) {
            const QString meant = LabelLint::likelyKey(value.key);
            warn(value.key, meant.isEmpty() ? QStringLiteral("unknown key, ignored")
                                            : QStringLiteral("unknown key, ignored; did you "
                                                             "mean %1?")
                                                  .arg(meant));
            return;
        }
        if (key->type == Type::Text)
            text(*key, value);
        else
            numeric(*key, value);
    }

private:
    void text(const Key& key, const RawLabelValue& value) {
        if (value.kind != Kind::String) {
            warn(value.key, QStringLiteral("%1 where text is read; ignored: %2")
                                .arg(kindName(value.kind), QLatin1String(key.whenIgnored)));
        } else if (value.text.isEmpty() && value.key == QLatin1String("FONTNAME")) {
            warn(value.key, QStringLiteral("empty; %1 is used").arg(kDefaultLabelFont));
        }
    }

    void numeric(const Key& key, const RawLabelValue& value) {
        double read = value.number;
        switch (value.kind) {
            case Kind::Integer:
            case Kind::Real:
                break;
            case Kind::String:
                read = LabelList::leadingNumber(value.text);
                warn(value.key,
                     QStringLiteral("a string where a number is read; \"%1\" reads as %2")
                         .arg(SkinWarning::shown(value.text), number(read)));
                break;
            case Kind::Boolean:
                warn(value.key, QStringLiteral("a boolean where a number is read; reads as %1")
                                    .arg(number(read)));
                break;
            default:
                warn(value.key, QStringLiteral("%1 where a number is read; ignored: %2")
                                    .arg(kindName(value.kind), QLatin1String(key.whenIgnored)));
                return;
        }
        const std::optional<float> used = LabelList::numberOf(value);
        if (!used) {
            warn(value.key,
                 (std::isfinite(read) ? QStringLiteral("%1 is too large for a 32-bit float; "
                                                       "ignored: %2")
                                      : QStringLiteral("%1 is not a finite number; ignored: %2"))
                     .arg(number(read), QLatin1String(key.whenIgnored)));
            return;
        }
        range(value.key, *used);
    }

    void range(const QString& key, float v) {
        const double shown = static_cast<double>(v);
        if (key == QLatin1String("COLOR_ALPHA")) {
            if (v == 0.0f)
                warn(key, QStringLiteral("0 shows opaque, not transparent; use 1 for an almost "
                                         "invisible label"));
            else if (v < 0.0f)
                warn(key, QStringLiteral("%1 is out of range 0 to 100; the label shows fully "
                                         "transparent")
                              .arg(number(shown)));
            else if (v > 100.0f)
                warn(key, QStringLiteral("%1 is out of range 0 to 100; shows as 100, opaque")
                              .arg(number(shown)));
            else if (v < 1.0f)
                warn(key, QStringLiteral("percent: %1 gives an alpha of %2, almost invisible; "
                                         "50 is half")
                              .arg(number(shown), number(shown / 100)));
        } else if (key.startsWith(QLatin1String("COLOR_"))) {
            if (v < 0.0f || v > 255.0f)
                warn(key, QStringLiteral("%1 is out of range 0 to 255; shows as %2")
                              .arg(number(shown),
                                   v < 0.0f ? QStringLiteral("0") : QStringLiteral("255")));
        } else if (key == QLatin1String("FONTSIZE")) {
            if (v < 0.0f)
                warn(key, QStringLiteral("%1 is negative; the label has no height and shows "
                                         "nothing")
                              .arg(number(shown)));
            else if (v > 4096.0f)
                warn(key, QStringLiteral("%1 is above 4096; the text is drawn at 4096 points")
                              .arg(number(shown)));
        }
    }

    void warn(const QString& key, const QString& message) {
        out.append(SkinWarning{QStringLiteral("labels.plist"), entry, key, message});
    }

    int entry;
    QList<SkinWarning>& out;
};
}  // namespace

QString LabelLint::likelyKey(const QString& key) {
    if (key.size() > 64) return {};
    const QString wanted = normalised(key);
    if (wanted.isEmpty()) return {};
    for (const Key& known : kKeys)
        if (normalised(QLatin1String(known.name)) == wanted) return QLatin1String(known.name);
    for (const auto& [alias, known] : kAliases)
        if (wanted == QLatin1String(alias)) return QLatin1String(known);
    // "MARGIN_BOTTOM", "LABEL_TITLE", "TEXT_COLOR_RED".
    for (const Key& known : kKeys) {
        const QString name = normalised(QLatin1String(known.name));
        if (name.size() >= 5 && wanted.contains(name)) return QLatin1String(known.name);
    }
    // Typing slips: one edit in a short key, two in a longer one.
    const int allowed = wanted.size() >= 6 ? 2 : 1;
    QString best;
    int bestDistance = allowed + 1;
    for (const Key& known : kKeys) {
        const int d = distance(wanted, normalised(QLatin1String(known.name)));
        if (d < bestDistance) {
            bestDistance = d;
            best = QLatin1String(known.name);
        }
    }
    return best;
}

QList<SkinWarning> LabelLint::check(const QList<RawLabelEntry>& entries) {
    QList<SkinWarning> warnings;
    int index = 0;
    for (const RawLabelEntry& entry : entries) {
        ++index;
        if (!entry.isDictionary) continue;
        EntryCheck check(index, warnings);
        bool titled = false;
        for (const RawLabelValue& value : entry.values) {
            check.value(value);
            titled = titled || value.key == QLatin1String("TITLE");
        }
        if (!titled)
            warnings.append(SkinWarning{QStringLiteral("labels.plist"), index,
                                        QStringLiteral("TITLE"),
                                        QStringLiteral("missing; the label shows no text")});
    }
    return warnings;
}

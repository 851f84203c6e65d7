#include "skin/LabelList.h"

#include <QFile>
#include <QStringDecoder>
#include <QtEndian>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

namespace {
constexpr qsizetype kMaxContainers = 4096;
constexpr quint64 kMaxBinaryObjects = 8192;
// libplist keeps about a hundred bytes per element: 16 MB of "<true/>" would take a quarter of
// a gigabyte and seconds to parse. 256 labels of nine keys need a few thousand tags.
constexpr qsizetype kMaxXmlTags = 131072;
// Entries that are not dictionaries are named one line each up to this many, then counted.
constexpr int kMaxSkippedLines = 8;

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

QString stringValue(plist_t node) {
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (text == nullptr) return QString();
    return QString::fromUtf8(text, static_cast<qsizetype>(length));
}

// libplist follows nested arrays and dictionaries recursively, and in binary files checks each
// level against every level above it: a few thousand levels take seconds, a few hundred thousand
// overflow the stack. Both counts below bound the depth; no labels file comes near them.
bool nestedTooDeep(const QByteArray& data) {
    if (data.startsWith("bplist00"))
        return data.size() >= 32 && qFromBigEndian<quint64>(data.constData() + data.size() - 24) >
                                        kMaxBinaryObjects;  // the trailer's object count
    return data.count("<array") + data.count("<dict") > kMaxContainers ||
           data.count('<') > kMaxXmlTags;
}

RawLabelValue rawValue(const char* key, plist_t node);

std::optional<float> numberValue(plist_t node) {
    if (node == nullptr) return std::nullopt;
    return LabelList::numberOf(rawValue("", node));
}

std::optional<QString> textValue(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    return stringValue(node);
}

LabelEntry readEntry(plist_t dict) {
    auto item = [dict](const char* key) { return plist_dict_get_item(dict, key); };
    LabelEntry entry;
    entry.colorRed = numberValue(item("COLOR_RED"));
    entry.colorGreen = numberValue(item("COLOR_GREEN"));
    entry.colorBlue = numberValue(item("COLOR_BLUE"));
    entry.colorAlpha = numberValue(item("COLOR_ALPHA"));
    entry.fontName = textValue(item("FONTNAME"));
    entry.fontSize = numberValue(item("FONTSIZE"));
    entry.bottom = numberValue(item("BOTTOM"));
    entry.title = textValue(item("TITLE"));
    entry.url = textValue(item("URL"));
    return entry;
}

std::optional<QByteArray> fileData(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > LabelList::kMaxFileSize)
        return std::nullopt;
    return file.read(LabelList::kMaxFileSize + 1);
}

// libplist reads XML in UTF-8 only; a UTF-16 file (with its byte order mark) is read as the
// same text in UTF-8. Anything else is left as it is.
QByteArray utf8FromUtf16(QByteArray data) {
    const bool little = data.startsWith("\xFF\xFE");
    if (!little && !data.startsWith("\xFE\xFF")) return data;
    QStringDecoder decode(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                          QStringDecoder::Flag::Stateless);
    const QString text = decode(QByteArrayView(data).sliced(2));
    // The declaration may still say UTF-16; the parser takes the bytes as they are.
    return text.toUtf8();
}

// The root array, or null.
PlistPtr parseArray(QByteArray data) {
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
    data = utf8FromUtf16(std::move(data));
    if (data.isEmpty() || data.size() > LabelList::kMaxFileSize || nestedTooDeep(data))
        return nullptr;
    plist_t parsed = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &parsed);
    PlistPtr root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_ARRAY) return nullptr;
    return root;
}

RawLabelValue rawValue(const char* key, plist_t node) {
    using Kind = RawLabelValue::Kind;
    RawLabelValue value;
    value.key = QString::fromUtf8(key);
    switch (plist_get_node_type(node)) {
        case PLIST_STRING:
            value.kind = Kind::String;
            value.text = stringValue(node);
            break;
        case PLIST_UINT: {
            uint64_t raw = 0;
            plist_get_uint_val(node, &raw);
            value.kind = Kind::Integer;
            // Negative integers arrive as their unsigned two's complement.
            value.number = static_cast<double>(static_cast<int64_t>(raw));
            break;
        }
        case PLIST_REAL:
            value.kind = Kind::Real;
            plist_get_real_val(node, &value.number);
            break;
        case PLIST_BOOLEAN: {
            uint8_t flag = 0;
            plist_get_bool_val(node, &flag);
            value.kind = Kind::Boolean;
            value.number = flag != 0 ? 1 : 0;
            break;
        }
        case PLIST_DATE:
            value.kind = Kind::Date;
            break;
        case PLIST_DATA:
            value.kind = Kind::Data;
            break;
        case PLIST_ARRAY:
            value.kind = Kind::Array;
            break;
        case PLIST_DICT:
            value.kind = Kind::Dictionary;
            break;
        default:
            break;
    }
    return value;
}
}  // namespace

std::optional<float> LabelList::numberOf(const RawLabelValue& value) {
    using Kind = RawLabelValue::Kind;
    double read = value.number;
    if (value.kind == Kind::String)
        read = leadingNumber(value.text);
    else if (value.kind != Kind::Integer && value.kind != Kind::Real && value.kind != Kind::Boolean)
        return std::nullopt;
    // Out of a float's range (or not a number at all) counts as missing; converting such a
    // double to float would not even be defined.
    if (!std::isfinite(read) ||
        std::fabs(read) > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(read);
}

double LabelList::leadingNumber(const QString& text) {
    // Leading white space of any kind is skipped: tabs, line breaks and Unicode's spaces.
    qsizetype start = 0;
    while (start < text.size() && text[start].isSpace()) ++start;
    const QByteArray bytes = QStringView(text).mid(start).toUtf8();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    // Copy just the characters a decimal number can use, so strtod sees no hex, "inf" or "nan",
    // and reads in the C locale's terms whatever the user's locale.
    std::string number;
    const char* q = p;
    if (q < end && (*q == '+' || *q == '-')) number += *q++;
    bool digits = false;
    // Leading zeros say nothing, and must not fill the length kept below.
    while (q < end && *q == '0') ++q, digits = true;
    while (q < end && *q >= '0' && *q <= '9') number += *q++, digits = true;
    if (q < end && *q == '.') {
        number += *q++;
        while (q < end && *q >= '0' && *q <= '9') number += *q++, digits = true;
    }
    if (!digits) return 0;
    if (q < end && (*q == 'e' || *q == 'E')) {
        std::string exponent(1, 'e');
        const char* r = q + 1;
        if (r < end && (*r == '+' || *r == '-')) exponent += *r++;
        bool expDigits = false;
        while (r < end && *r == '0') ++r, expDigits = true;
        while (r < end && *r >= '0' && *r <= '9' && exponent.size() < 12)
            exponent += *r++, expDigits = true;
        if (expDigits) number += exponent;
    }
    const std::string clean = number.substr(0, 400);
    return std::strtod(clean.c_str(), nullptr);
}

std::optional<QList<LabelEntry>> LabelList::readFile(const QString& path, QStringList* notes) {
    const std::optional<QByteArray> data = fileData(path);
    if (!data) return std::nullopt;
    return readData(*data, notes);
}

std::optional<QList<LabelEntry>> LabelList::readData(QByteArray data, QStringList* notes) {
    QStringList lines;
    const PlistPtr root = parseArray(std::move(data));
    if (!root) return std::nullopt;

    QList<LabelEntry> entries;
    int notDictionaries = 0;
    const uint32_t count = plist_array_get_size(root.get());
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(root.get(), i);
        if (item == nullptr || plist_get_node_type(item) != PLIST_DICT) {
            if (++notDictionaries <= kMaxSkippedLines)
                lines << QStringLiteral("labels.plist entry %1 is not a dictionary; skipped.")
                             .arg(i + 1);
            continue;
        }
        entries.append(readEntry(item));
    }
    if (notDictionaries > kMaxSkippedLines)
        lines << QStringLiteral("%1 more labels.plist entries are not dictionaries; skipped.")
                     .arg(notDictionaries - kMaxSkippedLines);
    if (notes != nullptr) *notes = lines;
    return entries;
}

std::optional<QList<RawLabelEntry>> LabelList::readRawFile(const QString& path) {
    const std::optional<QByteArray> data = fileData(path);
    if (!data) return std::nullopt;
    return readRawData(*data);
}

std::optional<QList<RawLabelEntry>> LabelList::readRawData(QByteArray data) {
    const PlistPtr root = parseArray(std::move(data));
    if (!root) return std::nullopt;
    QList<RawLabelEntry> entries;
    const uint32_t count = plist_array_get_size(root.get());
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(root.get(), i);
        RawLabelEntry entry;
        entry.isDictionary = item != nullptr && plist_get_node_type(item) == PLIST_DICT;
        if (entry.isDictionary) {
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(item, &it);
            for (;;) {
                char* key = nullptr;
                plist_t node = nullptr;
                plist_dict_next_item(item, it, &key, &node);
                if (key == nullptr) break;
                entry.values.append(rawValue(key, node));
                std::free(key);
            }
            std::free(it);
        }
        entries.append(entry);
    }
    return entries;
}

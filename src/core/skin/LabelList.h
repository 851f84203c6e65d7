#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One entry of a skin's labels.plist, with each value as read. A value that is missing, of a
// type the key does not take, or not finite, is empty.
struct LabelEntry {
    std::optional<float> colorRed;
    std::optional<float> colorGreen;
    std::optional<float> colorBlue;
    std::optional<float> colorAlpha;
    std::optional<QString> fontName;
    std::optional<float> fontSize;
    std::optional<float> bottom;
    std::optional<QString> title;
    std::optional<QString> url;
};

// One key of a labels.plist entry with its value as written, for checking skins.
struct RawLabelValue {
    enum class Kind { String, Integer, Real, Boolean, Date, Data, Array, Dictionary, Other };
    QString key;
    Kind kind = Kind::Other;
    QString text;       // a String's text
    double number = 0;  // an Integer's, Real's or Boolean's value
};

// One element of the labels.plist array as written; only a dictionary has values.
struct RawLabelEntry {
    bool isDictionary = false;
    QList<RawLabelValue> values;  // in the file's order
};

// Reads labels.plist files, XML or binary, whose root is an array of dictionaries.
class LabelList {
public:
    // Files larger than this are not read: no skin needs megabytes of labels.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // Nothing when there is no path, or the file cannot be read, is no property list, or its
    // root is not an array. Entries that are not dictionaries are skipped; notes, when given,
    // gets the lines that say so (one for each of the first eight, then one for the rest).
    static std::optional<QList<LabelEntry>> readFile(const QString& path,
                                                     QStringList* notes = nullptr);
    static std::optional<QList<LabelEntry>> readData(QByteArray data, QStringList* notes = nullptr);

    // Every element of the same array, with every key as written, under the same limits;
    // nothing where readFile gives nothing. Writes no log line.
    static std::optional<QList<RawLabelEntry>> readRawFile(const QString& path);
    static std::optional<QList<RawLabelEntry>> readRawData(QByteArray data);

    // What a number-taking key reads from a value: integers, reals and booleans as they are, a
    // string's leading number; nothing for other types, or outside a float's finite range.
    static std::optional<float> numberOf(const RawLabelValue& value);

    // A string's leading decimal number, as a number-taking key reads it: leading white space
    // skipped, sign, fraction and exponent accepted; 0 when the string starts with no number.
    static double leadingNumber(const QString& text);
};

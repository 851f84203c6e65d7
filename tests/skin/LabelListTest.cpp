#include "skin/LabelList.h"

#include <QtEndian>

#include <gtest/gtest.h>
#include <plist/plist.h>

#include "support/QtPrinters.h"
#include "support/SkinFiles.h"

namespace {

const QByteArray kOneEntry = labelsPlist(
    "<dict><key>TITLE</key><string>t</string><key>FONTSIZE</key><real>13.5</real>"
    "<key>BOTTOM</key><integer>-5</integer></dict>");

QByteArray toBinary(const QByteArray& xml) {
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &root);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    const QByteArray data(bytes, static_cast<qsizetype>(length));
    plist_to_bin_free(bytes);
    plist_free(root);
    return data;
}

// A binary list of depth one-element arrays, each holding the next; the innermost is empty.
QByteArray nestedBinary(quint32 depth) {
    auto bigEndian = [](quint32 value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(value, bytes.data());
        return bytes;
    };
    QByteArray data("bplist00");
    QByteArray offsets;
    for (quint32 i = 0; i <= depth; ++i) {
        offsets += bigEndian(static_cast<quint32>(data.size()));
        data += i == depth ? QByteArray("\xA0") : "\xA1" + bigEndian(i + 1);
    }
    QByteArray trailer(32, '\0');
    trailer[6] = trailer[7] = 4;  // offset and reference sizes
    qToBigEndian<quint64>(depth + 1, trailer.data() + 8);
    qToBigEndian<quint64>(static_cast<quint64>(data.size()), trailer.data() + 24);
    return data + offsets + trailer;
}

TEST(LabelListTest, ReadsXmlBinaryAndXmlAfterAByteOrderMark) {
    const QByteArray binary = toBinary(kOneEntry);
    ASSERT_TRUE(binary.startsWith("bplist00"));
    for (const QByteArray& data : {kOneEntry, binary, "\xEF\xBB\xBF" + kOneEntry}) {
        SCOPED_TRACE(data.left(8).toStdString());
        int skipped = -1;
        const auto entries = LabelList::readData(data, &skipped);
        ASSERT_TRUE(entries.has_value());
        ASSERT_EQ(entries->size(), 1);
        EXPECT_EQ(entries->first().title, QStringLiteral("t"));
        EXPECT_EQ(entries->first().fontSize, 13.5f);
        EXPECT_EQ(entries->first().bottom, -5.0f);
        EXPECT_FALSE(entries->first().url.has_value());
        EXPECT_EQ(skipped, 0);
    }
}

TEST(LabelListTest, RefusesWhatIsNotAnArrayPlist) {
    const QByteArray refused[] = {
        "",
        "not a plist",
        "<plist version=\"1.0\"><dict><key>TITLE</key><string>t</string></dict></plist>",
        "<plist version=\"1.0\"><string>t</string></plist>",
        "<plist version=\"1.0\"><array><dict>",
        "bplist00" + QByteArray(40, '\xff'),
        "\xEF\xBB\xBF",
        // Nesting this deep must neither overflow the stack nor take minutes.
        "<plist><array>" + QByteArray("<array>").repeated(1000000) +
            QByteArray("</array>").repeated(1000000) + "</array></plist>",
        nestedBinary(200000),
    };
    for (const QByteArray& data : refused)
        EXPECT_FALSE(LabelList::readData(data).has_value()) << data.left(60).toStdString();
    const auto empty = LabelList::readData(labelsPlist(""));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());
}

// One entry per value, each with key set to it; the values read as expected, the rest missing.
template <typename T>
void expectValues(const char* key, std::optional<T> LabelEntry::*field,
                  const QList<std::pair<QByteArray, T>>& read, const QByteArrayList& missing) {
    SCOPED_TRACE(key);
    QByteArray items;
    QList<std::pair<QByteArray, std::optional<T>>> values(read.begin(), read.end());
    for (const QByteArray& value : missing) values.append({value, std::nullopt});
    for (const auto& value : values)
        items += "<dict><key>" + QByteArray(key) + "</key>" + value.first + "</dict>";
    const auto entries = LabelList::readData(labelsPlist(items));
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), values.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ((*entries)[i].*field, values[i].second) << values[i].first.left(60).toStdString();
}

TEST(LabelListTest, NumberValues) {
    // Strings read as their leading decimal number, 0 when there is none.
    // clang-format off
    const QList<std::pair<QByteArray, float>> read{
        {"<integer>42</integer>", 42}, {"<integer>-5</integer>", -5}, {"<true/>", 1},
        {"<real>12.75</real>", 12.75f}, {"<false/>", 0}, {"<string>  12.5abc</string>", 12.5f},
        {"<string>-3e2</string>", -300}, {"<string>.5</string>", 0.5f}, {"<string>7e</string>", 7},
        {"<string>abc</string>", 0}, {"<string></string>", 0}, {"<string>0x10</string>", 0},
        {"<string>inf</string>", 0}, {"<string>nan</string>", 0},
        {"<string>5e0000000000001</string>", 50},
        {"<string>" + QByteArray(500, '0') + "7</string>", 7}};
    // Not finite as a 32-bit float, or no number at all.
    const QByteArrayList missing{
        "<string>1e39</string>", "<real>1e39</real>", "<real>nan</real>", "<real>-inf</real>",
        "<array><integer>1</integer></array>", "<dict><key>a</key><integer>1</integer></dict>",
        "<date>2020-01-01T00:00:00Z</date>", "<data>AAAA</data>"};
    // clang-format on
    expectValues("COLOR_RED", &LabelEntry::colorRed, read, missing);
    expectValues("COLOR_GREEN", &LabelEntry::colorGreen, read, missing);
    expectValues("COLOR_BLUE", &LabelEntry::colorBlue, read, missing);
    expectValues("COLOR_ALPHA", &LabelEntry::colorAlpha, read, missing);
    expectValues("FONTSIZE", &LabelEntry::fontSize, read, missing);
    expectValues("BOTTOM", &LabelEntry::bottom, read, missing);
}

TEST(LabelListTest, TextValuesMustBeStrings) {
    const QList<std::pair<QByteArray, QString>> read{
        {"<string>\xC3\xBC &lt;b&gt;</string>", QStringLiteral(u"\u00fc <b>")},
        {"<string></string>", QStringLiteral("")}};
    // clang-format off
    const QByteArrayList missing{"<integer>1</integer>", "<real>1.5</real>", "<true/>", "<dict/>",
                                 "<array><string>x</string></array>", "<data>AAAA</data>"};
    // clang-format on
    expectValues("TITLE", &LabelEntry::title, read, missing);
    expectValues("FONTNAME", &LabelEntry::fontName, read, missing);
    expectValues("URL", &LabelEntry::url, read, missing);
}

}  // namespace

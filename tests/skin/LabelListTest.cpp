#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"

#include <gtest/gtest.h>

#include "support/HostileSkins.h"
#include "support/LogCapture.h"

namespace {

const std::pair<const char*, std::optional<float> LabelEntry::*> kNumbers[] = {
    {"COLOR_RED", &LabelEntry::colorRed},   {"COLOR_GREEN", &LabelEntry::colorGreen},
    {"COLOR_BLUE", &LabelEntry::colorBlue}, {"COLOR_ALPHA", &LabelEntry::colorAlpha},
    {"FONTSIZE", &LabelEntry::fontSize},    {"BOTTOM", &LabelEntry::bottom}};
const std::pair<const char*, std::optional<QString> LabelEntry::*> kTexts[] = {
    {"TITLE", &LabelEntry::title}, {"FONTNAME", &LabelEntry::fontName}, {"URL", &LabelEntry::url}};

// The values an entry has, by their keys; the tables write entries the same way.
QJsonValue read(const std::optional<QList<LabelEntry>>& entries) {
    if (!entries) return QJsonValue::Null;
    QJsonArray all;
    for (const LabelEntry& entry : *entries) {
        QJsonObject values;
        for (const auto& [key, field] : kNumbers)
            if (entry.*field) values[key] = static_cast<double>(*(entry.*field));
        for (const auto& [key, field] : kTexts)
            if (entry.*field) values[key] = *(entry.*field);
        all.append(values);
    }
    return all;
}

TEST(LabelListTest, EachKeyReadsEachValueAsTheTableSays) {
    const QJsonObject table = QJsonDocument::fromJson(testData("labels-values.json")).object();
    for (const QString kind : {"number", "text"}) {
        for (const QJsonValue key : table[kind + "Keys"].toArray()) {
            for (const QJsonValue row : table[kind + 's'].toArray()) {
                const QByteArray value = row[0].toString().toUtf8();
                SCOPED_TRACE(("labels-values.json: " + key.toString() + ' ' + value).toStdString());
                const QByteArray entry = "<dict><key>" + key.toString().toUtf8() + "</key>" + value;
                QJsonObject expected;
                if (!row[1].isNull()) expected[key.toString()] = row[1];
                EXPECT_EQ(shown(read(LabelList::readData(labelsPlist(entry + "</dict>")))),
                          shown(QJsonArray{expected}));
            }
        }
    }
}

TEST(LabelListTest, ReadsOrRefusesEachFileAsTheTableSays) {
    eachRow("labels-files.json", [](const QJsonValue& row) {
        const LogCapture log;
        int skipped = -1;
        EXPECT_EQ(shown(read(LabelList::readData(contentOf(row["data"]), &skipped))),
                  shown(row["entries"]));
        EXPECT_EQ(skipped, row["skipped"].toInt());
        EXPECT_EQ(shown(QJsonArray::fromStringList(log.lines())), shown(row["log"]));
    });
}

TEST(LabelPlacementTest, PlacesEachStackAsTheTableSays) {
    eachRow("labels-placement.json", [](const QJsonValue& row) {
        const auto entries = LabelList::readData(labelsPlist(expand(row["plist"])));
        ASSERT_TRUE(entries.has_value());
        PlacementLimits limits;
        const QSizeF size(row["size"][0].toDouble(), row["size"][1].toDouble());
        const QList<PlacedLabel> placed = placeLabels(*entries, size, &limits);
        EXPECT_EQ(placed.size(), row["count"].toInt());
        EXPECT_EQ(shown(QJsonArray{limits.pastLastLabel, limits.offView, limits.titlesCut}),
                  shown(row["limits"]));
        const QJsonArray expected = row["placed"].toArray();
        ASSERT_GE(placed.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const PlacedLabel& p = placed[i];
            QJsonArray rgba;
            for (const float c : p.rgba) rgba.append(static_cast<double>(c));
            const QJsonObject all{
                {"frame", QJsonArray{p.frame.x(), p.frame.y(), p.frame.width(), p.frame.height()}},
                {"rgba", rgba},
                {"size", static_cast<double>(p.fontSize)},
                {"font", p.fontName},
                {"titleLength", p.title.size()}};
            QJsonObject shownOnes;
            for (const QString& key : expected[i].toObject().keys()) shownOnes[key] = all[key];
            EXPECT_EQ(shown(shownOnes), shown(expected[i])) << "label " << i;
        }
    });
}

}  // namespace

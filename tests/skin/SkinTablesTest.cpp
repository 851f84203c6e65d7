#include "platform/Bundle.h"
#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"
#include "skin/PictureChoice.h"
#include "skin/SkinReport.h"
#include "skin/SkinStore.h"

#include <QDir>

#include <thread>

#include "support/FilePermissions.h"
#include "support/FileTree.h"
#include "support/HostileSkins.h"

// The tables of tests/data for what reads, places and checks labels, picks pictures, lists
// and installs skins; each harness reads its file and says which row failed.
namespace {

// The values of entries by their keys, as the tables write them; null for no list at all.
QJsonValue read(const std::optional<QList<LabelEntry>>& entries) {
    const std::pair<const char*, std::optional<float> LabelEntry::*> numbers[] = {
        {"COLOR_RED", &LabelEntry::colorRed},   {"COLOR_GREEN", &LabelEntry::colorGreen},
        {"COLOR_BLUE", &LabelEntry::colorBlue}, {"COLOR_ALPHA", &LabelEntry::colorAlpha},
        {"FONTSIZE", &LabelEntry::fontSize},    {"BOTTOM", &LabelEntry::bottom}};
    const std::pair<const char*, std::optional<QString> LabelEntry::*> texts[] = {
        {"TITLE", &LabelEntry::title},
        {"FONTNAME", &LabelEntry::fontName},
        {"URL", &LabelEntry::url}};
    if (!entries) return QJsonValue::Null;
    QJsonArray all;
    for (const LabelEntry& entry : *entries) {
        QJsonObject values;
        for (const auto& [key, field] : numbers)
            if (entry.*field) values[key] = static_cast<double>(*(entry.*field));
        for (const auto& [key, field] : texts)
            if (entry.*field) values[key] = *(entry.*field);
        all.append(values);
    }
    return all;
}

TEST(LabelListTest, EachKeyReadsEachValueAsTheTableSays) {
    eachRow("labels-values.json", [](const QJsonValue& row) {
        for (const QJsonValue key : row["keys"].toArray()) {
            const QByteArray entry = "<dict><key>" + key.toString().toUtf8() + "</key>" +
                                     row["value"].toString().toUtf8() + "</dict>";
            QJsonObject expected;
            if (!row["read"].isNull()) expected[key.toString()] = row["read"];
            EXPECT_EQ(shown(read(LabelList::readData(labelsPlist(entry)))),
                      shown(QJsonArray{expected}))
                << key.toString().toStdString();
        }
    });
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
        for (qsizetype i = 0; i < std::min(placed.size(), expected.size()); ++i) {
            const PlacedLabel& p = placed[i];
            QJsonArray rgba;
            for (const float c : p.rgba) rgba.append(static_cast<double>(c));
            const QJsonObject all{
                {"frame", QJsonArray{p.frame.x(), p.frame.y(), p.frame.width(), p.frame.height()}},
                {"rgba", rgba},
                {"size", static_cast<double>(p.fontSize)},
                {"font", p.fontName},
                {"titleLength", p.title.size()}};
            EXPECT_TRUE(covers(all, expected[i])) << "label " << i << ": " << shown(all);
        }
    });
}

TEST(PictureChoiceTest, NameFollowsIdiomAndShapeAndThePackagedSkinsHaveIt) {
    const std::unique_ptr<Bundle> packaged = Bundle::initWithPath(VELL_TEST_SKIN_BUNDLE);
    ASSERT_NE(packaged, nullptr);
    eachRow("skin-pictures.json", [&](const QJsonValue& row) {
        const QString name =
            backgroundResourceName(row[0].toInt(), QSizeF(row[1].toDouble(), row[2].toDouble()));
        EXPECT_EQ(name, row[3].toString());
        for (const char* skin : {"qir", "default"})
            EXPECT_FALSE(packaged->pathForResource(name, "png", skin).isNull()) << skin;
    });
}

// Each warning names the skin, file, entry and key; every picture but those of the row is a
// 600x600 one, which covers a 1024x768 window well enough.
TEST(SkinLintTest, WarnsOneLineEachAsTheTableSays) {
    eachRow("skin-lint.json", [](const QJsonValue& row) {
        const TempHome home;
        QJsonObject files = row["files"].toObject();
        for (const QString& name : allBackgroundResourceNames())
            if (!files.contains(name + ".png"))
                files[name + ".png"] = QJsonObject{{"png", QJsonArray{600, 600}}};
        makeTree(home.path() + "/s", files);
        const SkinReport report = SkinReport::buildForFolder(home.path() + "/s/", {1024, 768}, 5);
        ASSERT_EQ(report.skins.size(), 1);
        QStringList lines;
        for (const SkinWarning& warning : report.skins.first().warnings)
            lines << warning.line(report.skins.first().name);
        const QStringList expected = row["warnings"].toVariant().toStringList();
        ASSERT_EQ(lines.size(), expected.size()) << lines.join('\n').toStdString();
        for (qsizetype i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(lines[i].startsWith(expected[i])) << lines[i].toStdString();
        // Warnings alone are no problem.
        EXPECT_EQ(report.hasProblems(), row["problems"].toBool());
        EXPECT_EQ(report.hasWarnings(), !expected.isEmpty());
    });
}

// The first start's install into a home made as the row says, and what it leaves behind.
TEST(SkinStoreTest, InstallsOrKeepsAsTheTableSays) {
    const QString kPackaged = VELL_TEST_SKIN_BUNDLE;
    eachRow("skin-store.json", [&](const QJsonValue& row) {
        const TempHome home;
        const QString installed = home.installedBundle();
        if (row["installFirst"].toBool()) SkinStore::installIfMissing(kPackaged, installed);
        makeTree(home.path(), row["home"].toObject());
        const QMap<QString, QByteArray> before = tree(installed);
        const QString packaged =
            row["packaged"].isString() ? home.path() + '/' + row["packaged"].toString() : kPackaged;
        const LogCapture log;
        bool other = true;
        {
            const PermissionBitsApply asUser;
            std::thread thread([&] {
                if (row["concurrent"].toBool())
                    other = SkinStore::installIfMissing(packaged, installed);
            });
            EXPECT_EQ(SkinStore::installIfMissing(packaged, installed), row["ok"].toBool());
            thread.join();
        }
        EXPECT_TRUE(other);
        makeTree(home.path(), row["home"].toObject(), true);
        const QString after = row["installed"].toString();
        EXPECT_EQ(tree(installed), after == "kept"       ? before
                                   : after == "packaged" ? tree(kPackaged)
                                                         : decltype(before)());
        EXPECT_EQ(
            QDir(home.path() + "/Documents")
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name),
            row["documents"].toVariant().toStringList());
        const QJsonObject kept = row["files"].toObject();
        for (auto it = kept.begin(); it != kept.end(); ++it)
            EXPECT_EQ(tree(home.path() + '/' + it.key()).value("."),
                      it.value().toString().toUtf8());
        // A failure is one line, naming where.
        EXPECT_EQ(log.lines().size(), row["log"].toInt()) << log.lines().join('|').toStdString();
        for (const QString& line : log.lines()) EXPECT_TRUE(line.contains(home.path()));
    });
}

// The skins are the folders directly inside the bundle: a link is not followed.
TEST(SkinStoreTest, ListsTheSkinsAsTheTableSays) {
    eachRow("skin-listing.json", [](const QJsonValue& row) {
        const TempHome home;
        const QString bundle = home.path() + "/skin.bundle";
        makeTree(bundle, row["bundle"].toObject());
        QStringList listed;
        {
            const PermissionBitsApply asUser;
            listed = SkinStore::skinNames(bundle);
        }
        makeTree(bundle, row["bundle"].toObject(), true);
        QStringList expected;
        for (const QJsonValue name : row["skins"].toArray())
            expected << QFile::decodeName(
                QByteArray::fromPercentEncoding(name.toString().toUtf8()));
        listed.sort();
        expected.sort();
        EXPECT_EQ(listed, expected);
        std::filesystem::remove_all(QFile::encodeName(bundle).toStdString());
    });
}

}  // namespace

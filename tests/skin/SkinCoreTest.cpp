#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"
#include "skin/PictureChoice.h"
#include "skin/SkinStore.h"

#include <QDir>

#include <filesystem>
#include <thread>

#include "support/FilePermissions.h"
#include "support/FileTree.h"
#include "support/HostileSkins.h"
#include "support/Wait.h"

namespace {

// Each entry's values by their keys; null for no list at all.
QJsonValue read(const std::optional<QList<LabelEntry>>& entries) {
    if (!entries) return QJsonValue::Null;
    QJsonArray all;
    for (const LabelEntry& e : *entries) {
        QJsonObject values;
        const auto put = [&](const char* key, const auto& value) {
            if (value) values[key] = QJsonValue::fromVariant(QVariant::fromValue(*value));
        };
        put("COLOR_RED", e.colorRed), put("COLOR_GREEN", e.colorGreen),
            put("COLOR_BLUE", e.colorBlue);
        put("COLOR_ALPHA", e.colorAlpha), put("FONTSIZE", e.fontSize), put("BOTTOM", e.bottom);
        put("TITLE", e.title), put("FONTNAME", e.fontName), put("URL", e.url);
        all.append(values);
    }
    return all;
}

TEST(LabelListTest, ReadsOrRefusesEachFileAsTheTableSays) {
    eachRow("labels-files.json", [](const QJsonValue& row) {
        QStringList notes;
        const QJsonValue entries = read(LabelList::readData(contentOf(row["data"]), &notes));
        return QJsonObject{{"entries", entries}, {"notes", QJsonArray::fromStringList(notes)}};
    });
}

// A file past 16 MB is refused whole, even when it is a good list.
TEST(LabelListTest, RefusesFilesPastTheirLimit) {
    const QByteArray title(LabelList::kMaxFileSize, 'x');
    EXPECT_FALSE(LabelList::readData(
                     labelsPlist("<dict><key>TITLE</key><string>" + title + "</string></dict>"))
                     .has_value());
}

TEST(LabelPlacementTest, PlacesEachStackAsTheTableSays) {
    eachRow("labels-placement.json", [](const QJsonValue& row) {
        const auto entries = LabelList::readData(labelsPlist(expand(row["plist"])));
        PlacementLimits limits;
        const QList<PlacedLabel> placed =
            placeLabels(entries.value_or(QList<LabelEntry>()),
                        QSizeF(row["size"][0].toDouble(), row["size"][1].toDouble()), &limits);
        QJsonArray labels;
        for (const PlacedLabel& p : placed) {
            QJsonArray rgba;
            for (const float c : p.rgba) rgba.append(static_cast<double>(c));
            labels.append(QJsonObject{
                {"frame", QJsonArray{p.frame.x(), p.frame.y(), p.frame.width(), p.frame.height()}},
                {"rgba", rgba},
                {"size", static_cast<double>(p.fontSize)},
                {"font", p.fontName},
                {"titleLength", p.title.size()}});
        }
        return QJsonObject{
            {"placed", labels},
            {"limits", QJsonArray{limits.pastLastLabel, limits.offView, limits.titlesCut}}};
    });
}

// The name for the idiom and the frame's shape, and the packaged skins have that picture.
TEST(PictureChoiceTest, NameFollowsIdiomAndShapeAsTheTableSays) {
    const std::unique_ptr<Bundle> packaged = Bundle::initWithPath(VELL_TEST_SKIN_BUNDLE);
    eachRow("skin-pictures.json", [&](const QJsonValue& row) {
        const QString name =
            backgroundResourceName(static_cast<Device::Idiom>(row["idiom"].toInt()),
                                   QSizeF(row["size"][0].toDouble(), row["size"][1].toDouble()));
        return QJsonObject{
            {"name", name},
            {"packaged", !packaged->pathForResource(name, "png", "qir").isNull() &&
                             !packaged->pathForResource(name, "png", "default").isNull()}};
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
        bool ok = false;
        bool other = true;
        {
            const PermissionBitsApply asUser;
            std::thread thread([&] {  // a second start at the same time
                if (row["concurrent"].toBool())
                    other = SkinStore::installIfMissing(packaged, installed);
            });
            ok = SkinStore::installIfMissing(packaged, installed);
            thread.join();
        }
        makeTree(home.path(), row["home"].toObject(), true);
        const QMap<QString, QByteArray> after = tree(installed);
        QJsonObject files;
        for (const QString& path : row["expect"]["files"].toObject().keys())
            files[path] = QString::fromUtf8(tree(home.path() + '/' + path).value("."));
        return QJsonObject{
            {"ok", ok && other},
            {"installed", after == tree(kPackaged) ? "packaged"
                          : after.isEmpty()        ? "none"
                          : after == before        ? "kept"
                                                   : "other"},
            {"documents",
             QJsonArray::fromStringList(QDir(home.path() + "/Documents")
                                            .entryList(QDir::AllEntries | QDir::Hidden |
                                                           QDir::System | QDir::NoDotAndDotDot,
                                                       QDir::Name))},
            {"files", files},
            {"log",
             QJsonArray::fromStringList(log.lines().replaceInStrings(home.path(), "$HOME"))}};
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
        std::filesystem::remove_all(QFile::encodeName(bundle).toStdString());
        listed.replaceInStrings(QString(QChar::ReplacementCharacter), "?").sort();
        return QJsonArray::fromStringList(listed);
    });
}

}  // namespace

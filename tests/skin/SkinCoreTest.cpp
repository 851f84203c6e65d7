#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"
#include "skin/PictureChoice.h"
#include "skin/PictureCopy.h"
#include "skin/PictureReader.h"
#include "skin/SkinFileCache.h"
#include "skin/SkinStore.h"

#include <QDir>
#include <QImageReader>

#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

#include "support/FilePermissions.h"
#include "support/FileTree.h"
#include "support/HostileSkins.h"
#include "support/SkinFiles.h"
#include "support/Table.h"
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

class LabelFileRows : public TableTest {};
TEST_P(LabelFileRows, ReadAsEntriesWithTheirNotesOrAreRefused) {
    const QJsonValue& row = GetParam().value;
    const QJsonValue made = [&]() -> QJsonValue {
        QStringList notes;
        const QJsonValue entries = read(LabelList::readData(contentOf(row["data"]), &notes));
        return QJsonObject{{"entries", entries}, {"notes", QJsonArray::fromStringList(notes)}};
    }();
    EXPECT_COVERS(made, row["expect"]);
}
VELL_TABLE(LabelFileRows, "labels-files.json");

// A file past 16 MB is refused whole, even when it is a good list.
TEST(LabelListTest, RefusesFilesPastTheirLimit) {
    const QByteArray title(LabelList::kMaxFileSize, 'x');
    EXPECT_FALSE(LabelList::readData(
                     labelsPlist("<dict><key>TITLE</key><string>" + title + "</string></dict>"))
                     .has_value());
}

class LabelPlacementRows : public TableTest {};
TEST_P(LabelPlacementRows, StackFromTheBottomWithinTheirLimits) {
    const QJsonValue& row = GetParam().value;
    const QJsonValue made = [&]() -> QJsonValue {
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
    }();
    EXPECT_COVERS(made, row["expect"]);
}
VELL_TABLE(LabelPlacementRows, "labels-placement.json");

// The name for the idiom and the frame's shape, and the packaged skins have that picture.
class PictureChoiceRows : public TableTest {};
TEST_P(PictureChoiceRows, NameFollowsIdiomAndShapeAndThePackagedSkinsHaveIt) {
    const QJsonValue& row = GetParam().value;
    const std::unique_ptr<Bundle> packaged = Bundle::initWithPath(VELL_TEST_SKIN_BUNDLE);
    const QJsonValue made = [&]() -> QJsonValue {
        const QString name =
            backgroundResourceName(static_cast<Device::Idiom>(row["idiom"].toInt()),
                                   QSizeF(row["size"][0].toDouble(), row["size"][1].toDouble()));
        return QJsonObject{
            {"name", name},
            {"packaged", !packaged->pathForResource(name, "png", "qir").isNull() &&
                             !packaged->pathForResource(name, "png", "default").isNull()}};
    }();
    EXPECT_COVERS(made, row["expect"]);
}
VELL_TABLE(PictureChoiceRows, "skin-pictures.json");

// The first start's install into a home made as the row says, and what it leaves behind.
class SkinStoreRows : public TableTest {};
TEST_P(SkinStoreRows, InstallOrKeepTheBundleAndLeaveTheHomeSo) {
    const QJsonValue& row = GetParam().value;
    const QString kPackaged = VELL_TEST_SKIN_BUNDLE;
    const QJsonValue made = [&]() -> QJsonValue {
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
    }();
    EXPECT_COVERS(made, row["expect"]);
}
VELL_TABLE(SkinStoreRows, "skin-store.json");

// The skins are the folders directly inside the bundle: a link is not followed.
class SkinListingRows : public TableTest {};
TEST_P(SkinListingRows, ListTheFoldersDirectlyInsideTheBundle) {
    const QJsonValue& row = GetParam().value;
    const QJsonValue made = [&]() -> QJsonValue {
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
    }();
    EXPECT_COVERS(made, row["expect"]);
}
VELL_TABLE(SkinListingRows, "skin-listing.json");

// Every kind of PNG reads as Qt reads it, reduced once to cover the view; a picture past the
// decode budget is read smaller; damaged or hostile files are refused without being decoded.
TEST(PictureReaderTest, ReadsAsQtDoesReducedToTheViewAndRefusesHostileFiles) {
    const TempHome home;
    QImage colours(40, 30, QImage::Format_ARGB32);
    std::mt19937 random(7);
    for (int y = 0; y < colours.height(); ++y)
        for (int x = 0; x < colours.width(); ++x) colours.setPixel(x, y, quint32(random()));
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32,
                                        QImage::Format_Indexed8, QImage::Format_RGBA64}) {
        const QString path = home.path() + QStringLiteral("/%1.png").arg(int(format));
        ASSERT_TRUE(colours.convertToFormat(format).save(path, "PNG"));
        const QImage byQt = QImageReader(path).read();
        const ReadPicture whole = PictureReader::read(path, {});
        EXPECT_EQ(whole.image, byQt.convertToFormat(whole.image.format())) << format;
        const ReadPicture reduced = PictureReader::read(path, {10, 10});
        EXPECT_EQ(reduced.image.size(), QSize(14, 10)) << format;  // covers 10x10, keeps 4:3
        EXPECT_EQ(reduced.fullSize, QSize(40, 30));
        EXPECT_EQ(PictureReader::read(path, {80, 10}).image.size(), QSize(40, 30));
    }
    QImage large(2100, 2100, QImage::Format_RGB32);  // 17.6 MB decoded, past the budget
    large.fill(Qt::green);
    ASSERT_TRUE(large.save(home.path() + "/large.png", "PNG"));
    const ReadPicture budget = PictureReader::read(home.path() + "/large.png", {});
    EXPECT_EQ(budget.image.size(), QSize(2048, 2048));
    EXPECT_EQ(QColor(budget.image.pixel(2047, 2047)), QColor(Qt::green));
    EXPECT_EQ(budget.fullSize, QSize(2100, 2100));

    const QString pipe = home.path() + "/pipe.png";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString data = VELL_TEST_DATA;
    for (const QString& path :
         {data + "/hostile-truncated-data.png", data + "/hostile-chunk-claims.png",
          data + "/hostile-no-end.png", data + "/labels-one-entry.bplist", pipe,
          home.path() + "/missing.png"}) {
        EXPECT_TRUE(PictureReader::read(path, {100, 100}).image.isNull()) << path.toStdString();
        EXPECT_FALSE(PictureReader::size(path).isValid()) << path.toStdString();
    }
    for (const char* name : {"/hostile-corrupt.png", "/hostile-huge-header.png"})
        EXPECT_TRUE(PictureReader::read(data + name, {100, 100}).image.isNull()) << name;
}

// The reduced copy on disk is what a new layout shows while the picture file and the view's
// size stay the same, read ahead or not; a changed file, another size or a damaged copy is
// decoded afresh. Copies are written only once writing has begun.
TEST(PictureCopyTest, ShowsTheCopyOnlyWhileFileAndSizeMatchAndItIsWhole) {
    const TempHome home;
    const QString path = home.write("picture.png", png({40, 30}, Qt::blue));
    const QSize cover(10, 10);
    const auto shown = [&](const QSize& size, bool ahead = false) {
        if (ahead) PictureCopy::readAhead(path, size);
        SkinFileCache files;  // a new start
        const QImage image = files.picture(path, size).image;
        return image.isNull() ? QColor() : QColor(image.pixel(0, 0));
    };
    EXPECT_EQ(shown(cover), QColor(Qt::blue));
    EXPECT_FALSE(QFile::exists(PictureCopy::fileFor(path, cover)));
    const auto plant = [&](QColor colour) {
        QImage red(14, 10, QImage::Format_RGB32);
        red.fill(colour);
        PictureCopy::keep(path, *FileIdentity::of(path), cover, {red, {40, 30}});
        PictureCopy::beginWriting();
    };
    plant(Qt::red);
    EXPECT_EQ(shown(cover), QColor(Qt::red));
    EXPECT_EQ(shown(cover, true), QColor(Qt::red));
    EXPECT_EQ(shown({20, 15}), QColor(Qt::blue));  // another view size
    EXPECT_EQ(shown({20, 15}, true), QColor(Qt::blue));
    // A copy's pixels stay mapped for as long as its picture is shown, file or no file.
    const QImage mapped = SkinFileCache().picture(path, cover).image;
    ASSERT_TRUE(QFile::remove(PictureCopy::fileFor(path, cover)));
    EXPECT_EQ(QColor(mapped.pixel(13, 9)), QColor(Qt::red));

    // The same bytes written again in place, its time put back: the change time tells.
    plant(Qt::red);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    home.write("picture.png", png({40, 30}, Qt::blue));
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    EXPECT_EQ(shown(cover), QColor(Qt::blue));

    for (const qint64 at : {84, 300}) {  // a flipped byte of the checksum, then of the pixels
        plant(Qt::red);
        QFile copy(PictureCopy::fileFor(path, cover));
        ASSERT_TRUE(copy.open(QIODevice::ReadWrite) && copy.seek(at));
        const char byte = copy.peek(1).at(0);
        ASSERT_TRUE(copy.write(QByteArray(1, char(~byte))) == 1);
        copy.close();
        EXPECT_EQ(shown(cover, at == 300), QColor(Qt::blue)) << at;
    }
    plant(Qt::red);
    ASSERT_TRUE(QFile(PictureCopy::fileFor(path, cover)).resize(200));
    EXPECT_EQ(shown(cover), QColor(Qt::blue));
}

}  // namespace

#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"
#include "skin/PictureCache.h"
#include "skin/PictureChoice.h"
#include "skin/PictureDecoder.h"
#include "skin/SkinStore.h"

#include <QDir>
#include <QImageReader>

#include <filesystem>
#include <random>

#include <sys/stat.h>
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

// Qt's reading of a picture, premultiplied, and means of its k x k blocks (fewer at the edges).
QImage blockMeans(const QImage& whole, int k) {
    const QImage source = whole.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out((source.width() + k - 1) / k, (source.height() + k - 1) / k, source.format());
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            int sum[4] = {}, n = 0;
            for (int j = y * k; j < std::min(y * k + k, source.height()); ++j) {
                for (int i = x * k; i < std::min(x * k + k, source.width()); ++i, ++n) {
                    const QRgb p = source.pixel(i, j);
                    sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), sum[3] += qAlpha(p);
                }
            }
            auto mean = [&](int c) { return (sum[c] + n / 2) / n; };
            out.setPixel(x, y, qRgba(mean(0), mean(1), mean(2), mean(3)));
        }
    }
    return out;
}

// The largest channel difference between two pictures of the same size; 256 otherwise.
int difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int most = 0;
    for (int y = 0; y < pa.height(); ++y)
        for (int x = 0; x < pa.width(); ++x)
            for (int shift = 0; shift < 32; shift += 8)
                most = std::max(most, std::abs(int(pa.pixel(x, y) >> shift & 0xff) -
                                               int(pb.pixel(x, y) >> shift & 0xff)));
    return most;
}

// Every kind of PNG Qt writes reads as Qt reads it, whole, and as means of blocks when a small
// view lets it; what the decoder cannot read is left to Qt, without blocking or crashing.
TEST(PictureDecoderTest, ReadsEachKindOfPngAsQtDoesOrLeavesItToQt) {
    EXPECT_EQ(PictureDecoder::reductionFor({2560, 1600}, {1024, 768}), 2);
    EXPECT_EQ(PictureDecoder::reductionFor({3840, 2160}, {1024, 640}), 3);
    EXPECT_EQ(PictureDecoder::reductionFor({2560, 1600}, {1281, 768}), 1);
    EXPECT_EQ(PictureDecoder::reductionFor({2560, 1600}, {}), 1);
    EXPECT_EQ(PictureDecoder::reductionFor({60000, 2000}, {10, 10}), 16);

    const TempHome home;
    QImage colours(37, 23, QImage::Format_ARGB32);
    std::mt19937 random(7);
    for (int y = 0; y < colours.height(); ++y)
        for (int x = 0; x < colours.width(); ++x) colours.setPixel(x, y, quint32(random()));
    const QList<QImage::Format> formats = {QImage::Format_RGB32,    QImage::Format_ARGB32,
                                           QImage::Format_Indexed8, QImage::Format_Grayscale8,
                                           QImage::Format_RGBA64,   QImage::Format_Grayscale16};
    for (const QImage::Format format : formats) {
        const QString path = home.path() + QStringLiteral("/%1.png").arg(int(format));
        ASSERT_TRUE(colours.convertToFormat(format).save(path, "PNG"));
        const QImage byQt = QImageReader(path).read();
        for (const QSize& cover : {QSize(), QSize(9, 5), QSize(2, 2)}) {
            const int k = PictureDecoder::reductionFor(byQt.size(), cover);
            const std::optional<DecodedPicture> read = PictureDecoder::readPng(path, cover);
            ASSERT_TRUE(read.has_value()) << format;
            EXPECT_EQ(read->reduction, k);
            EXPECT_LE(difference(read->image, blockMeans(byQt, k)), k == 1 ? 0 : 1)
                << "format " << format << ", cover " << cover.width();
        }
    }

    // A million pixels wide: rows queued two at a time.
    QImage wide(1'000'000, 4, QImage::Format_RGB32);
    wide.fill(Qt::green);
    ASSERT_TRUE(wide.save(home.path() + "/wide.png", "PNG"));
    const std::optional<DecodedPicture> narrowed =
        PictureDecoder::readPng(home.path() + "/wide.png", {1000, 2});
    ASSERT_TRUE(narrowed.has_value());
    EXPECT_EQ(narrowed->image.size(), QSize(500'000, 2));
    EXPECT_EQ(QColor(narrowed->image.pixel(499'999, 1)), QColor(Qt::green));

    const QString pipe = home.path() + "/pipe.png";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString data = VELL_TEST_DATA;
    for (const QString& path :
         {data + "/hostile-truncated-data.png", data + "/hostile-corrupt.png",
          data + "/hostile-huge-header.png", data + "/labels-one-entry.bplist", pipe,
          home.path() + "/missing.png"})
        EXPECT_FALSE(PictureDecoder::readPng(path, {100, 100}).has_value()) << path.toStdString();
}

// A reduced picture is kept on disk and read back instead of decoded while the file and the
// reduction asked for stay the same; a changed file, another reduction or a damaged copy
// decodes afresh, and whole pictures are not kept.
TEST(PictureCacheTest, ServesTheCopyOnlyWhileFileAndReductionMatch) {
    const TempHome home;
    const QString path = home.path() + "/picture.png";
    QImage colours(40, 30, QImage::Format_RGB32);
    colours.fill(Qt::blue);
    ASSERT_TRUE(colours.save(path, "PNG"));
    const QSize cover(10, 10);  // a third of the picture
    const std::optional<DecodedPicture> decoded = PictureDecoder::readPng(path, cover);
    ASSERT_TRUE(decoded && decoded->reduction == 3 && decoded->fullSize == colours.size());
    ASSERT_TRUE(QFile::exists(PictureCache::fileFor(path)));

    // What is read back is the copy: one planted under the file's identity shows.
    DecodedPicture planted = *decoded;
    planted.image.fill(Qt::red);
    auto plant = [&] { PictureCache::store(path, *FileIdentity::of(path), planted); };
    auto shown = [&](const QSize& size) {
        const std::optional<DecodedPicture> read = PictureDecoder::readPng(path, size);
        return read ? QColor(read->image.pixel(0, 0)) : QColor();
    };
    plant();
    EXPECT_EQ(shown(cover), QColor(Qt::red));
    EXPECT_EQ(shown({20, 15}), QColor(Qt::blue));  // half: another reduction
    plant();
    ASSERT_TRUE(colours.save(path, "PNG"));  // the same picture, but a new file
    EXPECT_EQ(shown(cover), QColor(Qt::blue));
    plant();
    QFile copy(PictureCache::fileFor(path));
    ASSERT_TRUE(copy.resize(copy.size() - 1));
    EXPECT_EQ(shown(cover), QColor(Qt::blue));

    const QString whole = home.path() + "/whole.png";
    ASSERT_TRUE(colours.save(whole, "PNG"));
    ASSERT_TRUE(PictureDecoder::readPng(whole, {}).has_value());
    EXPECT_FALSE(QFile::exists(PictureCache::fileFor(whole)));
}

}  // namespace

#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/ImageView.h"
#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"
#include "skin/PictureChoice.h"
#include "skin/SkinChooser.h"
#include "skin/SkinStore.h"
#include "skin/UIBackGroundView.h"
#include "skincheck/SkinReport.h"
#include "widgets/UILinkLabel.h"
#include "widgets/ViewGeometry.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

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

// A skin folder s made as the row says, checked at 1024x768 on the Mac.
TEST(SkinLintTest, WarnsOneLineEachAsTheTableSays) {
    eachRow("skin-lint.json", [](const QJsonValue& row) {
        const TempHome home;
        makeTree(home.path() + "/s", row["files"].toObject());
        const SkinReport report =
            SkinReport::buildForFolder(home.path() + "/s/", {1024, 768}, Device::Idiom::Mac);
        QStringList lines;
        for (const SkinReport::Skin& skin : report.skins)
            for (const SkinWarning& warning : skin.warnings) lines << warning.line(skin.name);
        return QJsonObject{{"warnings", QJsonArray::fromStringList(lines)},
                           {"problems", report.hasProblems()},
                           {"warned", report.hasWarnings()}};
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

QList<UILinkLabel*> linkLabels(const QWidget* view) {
    return view->findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
}

// What a view shows, as the tables write it: its skin, its picture's size and its link labels.
QJsonObject shownBy(const UIBackGroundView* view) {
    QJsonArray labels;  // in the order they are drawn, later ones over earlier ones
    const QObjectList children = view->children();
    for (const UILinkLabel* label : linkLabels(view)) {
        const QRectF f = ViewGeometry::frame(label);
        labels.append(QJsonObject{
            {"overPicture", children.indexOf(label) > children.indexOf(view->pictureView())},
            {"title", label->title()},
            {"text", label->text()},
            {"url", label->url().isNull() ? QJsonValue() : label->url()},
            {"frame", QJsonArray{f.x(), f.y(), f.width(), f.height()}},
            {"color", label->palette().color(QPalette::WindowText).name(QColor::HexArgb)}});
    }
    const QImage& picture = view->pictureView()->image();
    const QRectF at = ViewGeometry::frame(view->pictureView());
    return {{"skin", view->currentSkin()},
            {"labels", labels},
            {"pictureFrame", QJsonArray{at.x(), at.y(), at.width(), at.height()}},
            {"picture",
             picture.isNull() ? QJsonValue() : QJsonArray{picture.width(), picture.height()}}};
}

// The qir skin's background view filling an 800x600 window, shown and active, in a fresh home.
class ShownViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::unique_ptr<UIBackGroundView> made = UIBackGroundView::initWithSkin("qir");
        ASSERT_NE(made, nullptr);
        view = made.release();
        view->setParent(&window);
        window.resize(800, 600);
        view->setFrame(QRectF(0, 0, 800, 600));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    TempHome home;
    QWidget window;
    UIBackGroundView* view = nullptr;
};

// Each skin of hostile-skins.json in the installed bundle: the view at 800x600 on the Mac shows
// what it can within bounds and logs each line once a layout, and the skin report agrees.
TEST_F(ShownViewTest, ShowsAndReportsWhatItCanOfEachHostileSkinWithinBounds) {
    eachRow("hostile-skins.json", [&](const QJsonValue& row) {
        const QString name = row["name"].toString();
        const QString dir = home.installedBundle() + '/' + name;
        makeTree(dir, row["files"].toObject());
        const LogCapture log;
        {
            const PermissionBitsApply asUser;
            view->switchSkin(row["skin"].toString(name));
            window.grab();  // paints every label at its font
            const QStringList lines = log.lines();
            EXPECT_EQ(!lines.join('\n').contains(" NOT exist."), row["picture"].toBool());
            const QJsonArray labels = shownBy(view)["labels"].toArray();
            EXPECT_EQ(labels.size(), row["labels"].toInt());
            for (const QJsonValue label : labels) EXPECT_LE(label["text"].toString().size(), 4096);
            EXPECT_LE(lines.size(), 30) << lines.join('\n').toStdString();
            for (const QJsonValue line : row["logged"].toArray()) {
                const qsizetype n = lines.count(line.toString().replace("%1", dir));
                EXPECT_TRUE(n == 1 || n == 2) << line.toString().toStdString() << ' ' << n;
            }
            const SkinReport report =
                SkinReport::build(home.path(), {800, 600}, Device::Idiom::Mac);
            QJsonArray reported;
            for (const SkinReport::Skin& skin : report.skins)
                if (skin.name == name) reported = {skin.picture.decodes, skin.labels.size()};
            EXPECT_TRUE(row["skin"].isString() ||
                        (reported == QJsonArray{row["picture"], row["labels"]}))
                << "reported " << shown(reported);
        }
        makeTree(dir, row["files"].toObject(), true);
        std::filesystem::remove_all(QFile::encodeName(dir).toStdString());
    });
}

// The view lays its skin out afresh at each frame and whenever its files change: each step of
// skin-edits.json, an edit or a frame on a device, shows without a further layout call, with
// no link label left of an earlier layout.
TEST_F(ShownViewTest, EachEditAndFrameOfTheSkinShows) {
    view->switchSkin("live");
    eachRow("skin-edits.json", [&](const QJsonValue& row) {
        makeTree(home.installedBundle() + "/live", row["edit"].toObject());
        if (row["frame"].isArray()) {
            Device::setUserInterfaceIdiom(static_cast<Device::Idiom>(row["idiom"].toInt()));
            view->setFrame({row["frame"][0].toDouble(), row["frame"][1].toDouble(),
                            row["frame"][2].toDouble(), row["frame"][3].toDouble()});
        }
        EXPECT_TRUE(waitUntil([&] { return covers(shownBy(view), row["shows"]); }))
            << shown(shownBy(view));
    });
}

// Five clicks on the qir skin ask, window-modally, which skin to show: each folder of the bundle
// as it is named ('&' makes no mnemonic) in the listing's order, then Cancel. A choice lays the
// chosen skin out at once; Cancel keeps all as it was.
TEST_F(ShownViewTest, AsksForASkinAndAnswersAsTheTableSays) {
    // Pictures of telling sizes, written after the first layout, so a choice shows it read them.
    home.write("Documents/skin.bundle/qir/background_Mac_Landscape.png", png({40, 30}));
    home.write("Documents/skin.bundle/default/background_Mac_Landscape.png", png({50, 20}));
    const QDir bundle(home.installedBundle());
    const auto settle = [] {  // lets closed choosers and replaced labels go
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    eachRow("skin-chooser.json", [&](const QJsonValue& row) {
        view->switchSkin("qir");
        for (const QJsonValue name : row["folders"].toArray()) bundle.mkdir(name.toString());
        settle();
        const QJsonObject before = shownBy(view);
        view->gestureTapped();
        SkinChooser* chooser = window.findChild<SkinChooser*>();
        ASSERT_NE(chooser, nullptr);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QGuiApplication::focusWindow() == chooser->windowHandle(); }));
        EXPECT_EQ(chooser->windowTitle(), "Skins");
        EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
        QStringList texts;  // the heading and the message
        for (const QLabel* label : chooser->findChildren<QLabel*>()) texts << label->text();
        EXPECT_EQ(texts, QStringList({"Skins", "Please choice your skin."}));
        const QList<QPushButton*> buttons = chooser->skinButtons();
        QStringList names;
        for (QPushButton* button : buttons) names << button->text().replace("&&", "&");
        EXPECT_EQ(names, SkinStore::skinNames(bundle.path()));
        EXPECT_EQ(chooser->cancelButton()->text(), "Cancel");
        EXPECT_LT(buttons.last()->mapTo(chooser, QPoint()).y(), chooser->cancelButton()->y());
        EXPECT_EQ(QApplication::focusWidget(), buttons.first());
        const QString chosen = names.value(row["chosen"].toInt());
        if (row["removeSkins"].toBool()) QDir(bundle).removeRecursively();
        if (row["click"].isDouble())
            QTest::mouseClick(buttons[row["click"].toInt()], Qt::LeftButton);
        if (row["click"] == "cancel") QTest::mouseClick(chooser->cancelButton(), Qt::LeftButton);
        for (const QJsonValue key : row["keys"].toArray())
            QTest::keyClick(QApplication::focusWidget(), QKeySequence(key.toString())[0].key());
        settle();
        EXPECT_EQ(window.findChild<SkinChooser*>(), nullptr);
        const QJsonValue expected = row["shows"].isObject() ? row["shows"][chosen] : before;
        EXPECT_TRUE(covers(shownBy(view), expected)) << shown(shownBy(view));
        for (const QJsonValue name : row["folders"].toArray())
            QDir(bundle.filePath(name.toString())).removeRecursively();
    });
}

}  // namespace

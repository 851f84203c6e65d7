#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"
#include "skin/PictureChoice.h"
#include "skin/SkinStore.h"
#include "skincheck/SkinReport.h"
#include "skinview/ImageView.h"
#include "skinview/SkinChooser.h"
#include "skinview/UIBackGroundView.h"
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

// A skin folder s made as the row says, checked at 1024x768 on the Mac.
class SkinLintRows : public TableTest {};
TEST_P(SkinLintRows, WarnOneLineForEachProblemAtTheMacsSize) {
    const QJsonValue& row = GetParam().value;
    const QJsonValue made = [&]() -> QJsonValue {
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
    }();
    EXPECT_COVERS(made, row["expect"]);
}
VELL_TABLE(SkinLintRows, "skin-lint.json");

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
class HostileSkinRows : public ShownViewTest, public ::testing::WithParamInterface<TableRow> {};
TEST_P(HostileSkinRows, ShowWhatTheyCanWithinBoundsAndTheReportAgrees) {
    const QJsonValue& row = GetParam().value;
    const QString name = row["name"].toString();
    const QString dir = home.installedBundle() + '/' + name;
    makeTree(dir, row["files"].toObject());
    LogCapture log;
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
            EXPECT_EQ(lines.count(line.toString().replace("%1", dir)), 1)
                << line.toString().toStdString();
        }
        const SkinReport report = SkinReport::build(home.path(), {800, 600}, Device::Idiom::Mac);
        QJsonArray reported;
        QStringList problems;  // the checker's, which are the window's lines for the skin
        for (const SkinReport::Skin& skin : report.skins)
            if (skin.name == name)
                reported = {skin.picture.decodes, skin.labels.size()}, problems = skin.problems;
        log.clear();
        view->relayout();
        if (!row["skin"].isString()) {
            EXPECT_EQ(log.lines(), problems);
        }
        EXPECT_TRUE(row["skin"].isString() ||
                    (reported == QJsonArray{row["picture"], row["labels"]}))
            << "reported " << shown(reported);
    }
    makeTree(dir, row["files"].toObject(), true);
    std::filesystem::remove_all(QFile::encodeName(dir).toStdString());
}
VELL_TABLE(HostileSkinRows, "hostile-skins.json");

// The view lays its skin out afresh at each frame and whenever its files change: each step of
// skin-edits.json, an edit or a frame on a device, shows without a further layout call, with
// no link label left of an earlier layout.
TEST_F(ShownViewTest, EachEditAndFrameOfTheSkinShows) {
    view->switchSkin("live");
    // The rows are steps on one skin, each building on the ones before: one test for them all.
    for (const TableRow& step : tableRows("skin-edits.json")) {
        SCOPED_TRACE(::testing::PrintToString(step));
        const QJsonValue& row = step.value;
        makeTree(home.installedBundle() + "/live", row["edit"].toObject());
        if (row["frame"].isArray()) {
            Device::setUserInterfaceIdiom(static_cast<Device::Idiom>(row["idiom"].toInt()));
            view->setFrame({row["frame"][0].toDouble(), row["frame"][1].toDouble(),
                            row["frame"][2].toDouble(), row["frame"][3].toDouble()});
        }
        waitUntil([&] { return covers(shownBy(view), row["shows"]); });
        EXPECT_COVERS(shownBy(view), row["shows"]);
    }
}

// Five clicks on the qir skin ask, window-modally, which skin to show: each folder of the bundle
// as it is named ('&' makes no mnemonic) in the listing's order, then Cancel. A choice lays the
// chosen skin out at once; Cancel keeps all as it was.
class SkinChooserRows : public ShownViewTest, public ::testing::WithParamInterface<TableRow> {};
TEST_P(SkinChooserRows, AskForASkinAndShowTheChoice) {
    const QJsonValue& row = GetParam().value;
    // Pictures of telling sizes, written after the first layout, so a choice shows it read them.
    home.write("Documents/skin.bundle/qir/background_Mac_Landscape.png", png({40, 30}));
    home.write("Documents/skin.bundle/default/background_Mac_Landscape.png", png({50, 20}));
    const QDir bundle(home.installedBundle());
    const auto settle = [] {  // lets closed choosers and replaced labels go
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    view->switchSkin("qir");
    for (const QJsonValue name : row["folders"].toArray()) bundle.mkdir(name.toString());
    settle();
    const QJsonObject before = shownBy(view);
    view->gestureTapped();
    SkinChooser* chooser = window.findChild<SkinChooser*>();
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == chooser->windowHandle(); }));
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
    if (row["click"].isDouble()) QTest::mouseClick(buttons[row["click"].toInt()], Qt::LeftButton);
    if (row["click"] == "cancel") QTest::mouseClick(chooser->cancelButton(), Qt::LeftButton);
    for (const QJsonValue key : row["keys"].toArray())
        QTest::keyClick(QApplication::focusWidget(), QKeySequence(key.toString())[0].key());
    settle();
    EXPECT_EQ(window.findChild<SkinChooser*>(), nullptr);
    const QJsonValue expected = row["shows"].isObject() ? row["shows"][chosen] : before;
    EXPECT_COVERS(shownBy(view), expected);
    for (const QJsonValue name : row["folders"].toArray())
        QDir(bundle.filePath(name.toString())).removeRecursively();
}
VELL_TABLE(SkinChooserRows, "skin-chooser.json");

// The first layout reads its picture, reduced to the window the view is to be shown in, and
// logs its lines while the view is built: nothing waits for the view to be shown or painted.
TEST(StartUpPictureTest, TheFirstLayoutReadsItsPictureAndLogsAsTheViewIsBuilt) {
    const TempHome home;
    SkinStore::installIfMissing(VELL_TEST_SKIN_BUNDLE, home.installedBundle());
    QFile::remove(home.installedBundle() + "/qir/labels.plist");
    const LogCapture log;
    UIBackGroundView::expectWindowSize({1000, 700});
    const std::unique_ptr<UIBackGroundView> view = UIBackGroundView::initWithSkin("qir");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(log.lines(), QStringList("labels file NOT found."));
    view->setFrame(QRectF(0, 0, 1000, 660));  // below a menu bar: the same picture covers it
    EXPECT_EQ(view->pictureView()->image().size(), QSize(1120, 700));
    EXPECT_EQ(log.lines(), QStringList(2, "labels file NOT found."));
}

}  // namespace

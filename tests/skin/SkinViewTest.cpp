#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/ImageView.h"
#include "skin/SkinChooser.h"
#include "skin/SkinReport.h"
#include "skin/SkinStore.h"
#include "skin/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"
#include "widgets/ViewGeometry.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "support/FilePermissions.h"
#include "support/HostileSkins.h"
#include "support/ShownSkinView.h"
#include "support/Wait.h"

namespace {

QList<UILinkLabel*> linkLabels(const QWidget* view) {
    return view->findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
}

// What a view shows, as the tables write it: its skin, its picture's size and its link labels.
QJsonObject shownBy(const UIBackGroundView* view) {
    QJsonArray labels;
    for (const UILinkLabel* label : linkLabels(view)) {
        const QRectF f = ViewGeometry::frame(label);
        labels.append(QJsonObject{
            {"title", label->title()},
            {"text", label->text()},
            {"url", label->url().isNull() ? QJsonValue() : label->url()},
            {"frame", QJsonArray{f.x(), f.y(), f.width(), f.height()}},
            {"color", label->palette().color(QPalette::WindowText).name(QColor::HexArgb)}});
    }
    const QImage& picture = view->pictureView()->image();
    return {{"skin", view->currentSkin()},
            {"labels", labels},
            {"picture",
             picture.isNull() ? QJsonValue() : QJsonArray{picture.width(), picture.height()}}};
}

// Each skin of hostile-skins.json in the installed bundle: the view at 800x600 on the Mac shows
// what it can within bounds and logs each line once a layout (two layouts here), and the skin
// report agrees with it.
TEST(HostileSkinTest, ShowsAndReportsWhatItCanOfEachSkinWithinBounds) {
    Device::setUserInterfaceIdiom(Device::Mac);
    eachRow("hostile-skins.json", [](const QJsonValue& row) {
        const TempHome home;
        const LogCapture log;
        SkinStore::installIfMissing(VELL_TEST_SKIN_BUNDLE, home.installedBundle());
        const QString name = row["name"].toString();
        const QString dir = home.installedBundle() + '/' + name;
        makeTree(dir, row["files"].toObject());
        {
            const PermissionBitsApply asUser;
            QWidget window;
            const auto view = UIBackGroundView::initWithSkin(row["skin"].toString(name));
            ASSERT_NE(view, nullptr);
            view->setParent(&window);
            window.resize(800, 600);
            view->setFrame(QRectF(0, 0, 800, 600));
            window.show();
            window.grab();  // paints every label at its font
            const QJsonObject shows = shownBy(view.get());
            EXPECT_EQ(shows["picture"].isArray(), row["picture"].toBool());
            EXPECT_EQ(shows["labels"].toArray().size(), row["labels"].toInt());
            for (const QJsonValue label : shows["labels"].toArray())
                EXPECT_LE(label["text"].toString().size(), 4096);
            const QStringList lines = log.lines();
            EXPECT_LE(lines.size(), 30) << lines.join('\n').toStdString();
            for (const QJsonValue line : row["logged"].toArray()) {
                const qsizetype n = lines.count(line.toString().replace("%1", dir));
                EXPECT_TRUE(n == 1 || n == 2) << line.toString().toStdString() << ' ' << n;
            }
            const SkinReport report = SkinReport::build(home.path(), {800, 600}, Device::Mac);
            EXPECT_EQ(report.skins.size(), 3);  // qir, default and this one
            for (const SkinReport::Skin& skin : report.skins) {
                if (skin.name != name || row["skin"].isString()) continue;
                EXPECT_EQ(skin.picture.decodes, row["picture"].toBool()) << "in the report";
                EXPECT_EQ(skin.labels.size(), row["labels"].toInt()) << "in the report";
            }
        }
        makeTree(dir, row["files"].toObject(), true);
        std::filesystem::remove_all(QFile::encodeName(dir).toStdString());
    });
}

TEST(UIBackGroundViewTest, NoSkinNameOrNoSkinsAnywhereMakesNoViewAndInstallsNothing) {
    const TempHome home;
    const LogCapture log;
    EXPECT_EQ(UIBackGroundView::initWithSkin(QString()), nullptr);
    EXPECT_EQ(log.lines(), QStringList{"skin must exist."});
    Bundle::setPackagedSkinBundlePath(home.path() + "/nowhere/skin.bundle");
    EXPECT_EQ(UIBackGroundView::init(), nullptr);
    EXPECT_TRUE(log.lines().contains("skin.bundle NOT exist in your project."));
    EXPECT_FALSE(QFileInfo::exists(home.installedBundle()));
    Bundle::setPackagedSkinBundlePath(VELL_TEST_SKIN_BUNDLE);
    // A new view covers the screen.
    EXPECT_EQ(UIBackGroundView::init()->frame(), Device::mainScreenBounds());
}

class ShownViewTest : public ShownSkinView {
protected:
    // Five clicks' worth: the chooser now up, or null.
    SkinChooser* tap() {
        view->gestureTapped();
        return window.findChild<SkinChooser*>();
    }
    // The chooser takes the keyboard once the window system has activated it.
    static bool active(SkinChooser* chooser) {
        return QTest::qWaitFor(
            [&] { return QGuiApplication::focusWindow() == chooser->windowHandle(); });
    }
    // Lets closed choosers and replaced labels go.
    static void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    LogCapture log;
};

// Each frame lays the skin out afresh: the picture for the idiom and shape of that moment from
// the view's origin, and in front of it the labels of skin-edits.json's first row, replacing
// every link label and nothing else; files not changed are not decoded again.
TEST_F(ShownViewTest, LaysTheSkinOutAfreshAtEveryFrame) {
    const QJsonValue skin = QJsonDocument::fromJson(testData("skin-edits.json"))[0];
    makeTree(home.installedBundle() + "/custom", skin["edit"].toObject());
    view->switchSkin("custom");
    const std::tuple<int, QRectF, int> layouts[] = {{Device::Pad, {-12, 7, 768, 1024}, 12},
                                                    {Device::Phone, {30.5, 40.25, 844, 390}, 13},
                                                    {Device::Mac, {0, 0, 800, 600}, 8}};
    for (const auto& [idiom, frame, width] : layouts) {
        Device::setUserInterfaceIdiom(idiom);
        view->setFrame(frame);
        EXPECT_EQ(ViewGeometry::frame(view->pictureView()), QRectF(QPointF(0, 0), frame.size()));
        EXPECT_EQ(view->pictureView()->image().width(), width) << idiom;
    }
    EXPECT_TRUE(covers(shownBy(view), skin["shows"])) << shown(shownBy(view));
    const QList<UILinkLabel*> labels = linkLabels(view);
    const QObjectList children = view->children();
    EXPECT_LT(children.indexOf(view->pictureView()), children.indexOf(labels.first()));
    EXPECT_LT(children.indexOf(labels.first()), children.indexOf(labels.last()));
    const QPointer<UILinkLabel> foreign = UILinkLabel::initWithFrame({1, 2, 3, 4}, view);
    const QPointer<QLabel> plain = new QLabel("plain", view);
    const qint64 decoded = view->pictureView()->image().cacheKey();
    view->setFrame(view->frame());
    EXPECT_EQ(view->pictureView()->image().cacheKey(), decoded);
    settle();
    EXPECT_TRUE(covers(shownBy(view), skin["shows"]));
    EXPECT_TRUE(foreign.isNull());
    EXPECT_FALSE(plain.isNull());
    EXPECT_EQ(log.lines(), QStringList());
}

// The view watches its skin: each step of skin-edits.json shows without a layout call.
TEST_F(ShownViewTest, EachEditOfTheSkinShowsByItself) {
    view->switchSkin("live");
    eachRow("skin-edits.json", [&](const QJsonValue& row) {
        makeTree(home.installedBundle() + "/live", row["edit"].toObject());
        EXPECT_TRUE(waitUntil([&] { return covers(shownBy(view), row["shows"]); }))
            << shown(shownBy(view));
    });
}

// Each skin folder as it is named ('&' makes no mnemonic) in the listing's order, then Cancel,
// asked window-modally; one skin (and a link to it) asks nothing.
TEST_F(ShownViewTest, OffersEachSkinAsNamedThenCancel) {
    const QString bundle = home.installedBundle();
    for (const char* name : {".hidden", "Black & White", "&&", "<b>bold"}) QDir(bundle).mkdir(name);
    SkinChooser* chooser = tap();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->windowTitle(), "Skins");
    EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
    const QLabel* message = chooser->findChild<QLabel*>();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), "Please choice your skin.");
    QStringList shown;
    for (QPushButton* button : chooser->skinButtons()) shown << button->text().replace("&&", "&");
    EXPECT_EQ(shown, SkinStore::skinNames(bundle));
    EXPECT_EQ(chooser->findChildren<QPushButton*>().size(), 7);
    EXPECT_EQ(chooser->cancelButton()->text(), "Cancel");
    const QPushButton* last = chooser->skinButtons().last();
    EXPECT_LT(last->mapTo(chooser, QPoint()).y(), chooser->cancelButton()->y());
    chooser->reject();
    settle();
    for (const QString& name : SkinStore::skinNames(bundle))
        if (name != "qir") QDir(bundle + '/' + name).removeRecursively();
    QFile::link("qir", bundle + "/default");
    EXPECT_EQ(tap(), nullptr);
}

// A choice lays the chosen skin out at once; Cancel keeps all as it was.
TEST_F(ShownViewTest, AnswersAsTheTableSays) {
    // Pictures of telling sizes, written after the first layout, so a choice shows it read them.
    home.write("Documents/skin.bundle/qir/background_Mac_Landscape.png", png({40, 30}));
    home.write("Documents/skin.bundle/default/background_Mac_Landscape.png", png({50, 20}));
    eachRow("skin-chooser.json", [&](const QJsonValue& row) {
        view->switchSkin("qir");
        settle();
        const QJsonObject before = shownBy(view);
        const QList<UILinkLabel*> labels = linkLabels(view);
        const QList<QPointer<UILinkLabel>> watched(labels.begin(), labels.end());
        SkinChooser* chooser = tap();
        ASSERT_NE(chooser, nullptr);
        ASSERT_TRUE(active(chooser));
        const QList<QPushButton*> buttons = chooser->skinButtons();
        ASSERT_EQ(buttons.size(), 2);
        EXPECT_EQ(QApplication::focusWidget(), buttons.first());
        const QString chosen = buttons[row["chosen"].toInt()]->text();
        if (row["removeSkins"].toBool()) QDir(home.installedBundle()).removeRecursively();
        if (row["click"].isDouble())
            QTest::mouseClick(buttons[row["click"].toInt()], Qt::LeftButton);
        if (row["click"] == "cancel") QTest::mouseClick(chooser->cancelButton(), Qt::LeftButton);
        for (const QJsonValue key : row["keys"].toArray())
            QTest::keyClick(QApplication::focusWidget(), QKeySequence(key.toString())[0].key());
        settle();
        EXPECT_EQ(window.findChild<SkinChooser*>(), nullptr);
        const QJsonValue expected = row["shows"].isObject() ? row["shows"][chosen] : before;
        EXPECT_TRUE(covers(shownBy(view), expected)) << shown(shownBy(view));
        for (const QPointer<UILinkLabel>& label : watched)
            EXPECT_EQ(label.isNull(), row["shows"].isObject());
    });
}

TEST_F(ShownViewTest, ManySkinsScrollAndTheKeysReachTheLast) {
    for (int i = 0; i < 50; ++i)
        QDir(home.installedBundle()).mkdir(QStringLiteral("skin %1").arg(i, 2, 10, QChar('0')));
    SkinChooser* chooser = tap();
    ASSERT_NE(chooser, nullptr);
    const QList<QPushButton*> buttons = chooser->skinButtons();
    ASSERT_EQ(buttons.size(), 52);
    EXPECT_LT(chooser->height(), 800);
    ASSERT_TRUE(active(chooser));
    for (int i = 0; i < 51; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), buttons.last());
    EXPECT_FALSE(buttons.last()->visibleRegion().isEmpty());
    EXPECT_TRUE(buttons.first()->visibleRegion().isEmpty());
}

}  // namespace

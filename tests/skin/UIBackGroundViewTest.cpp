#include "skin/UIBackGroundView.h"

#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/ImageView.h"
#include "skin/SkinStore.h"
#include "widgets/UILinkLabel.h"
#include "widgets/ViewGeometry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>

#include <gtest/gtest.h>

#include <tuple>

#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/SkinFiles.h"
#include "support/TempHome.h"
#include "support/Wait.h"

namespace {

const QString kPicture = QStringLiteral("background_Mac_Landscape.png");

const QByteArray kTwoLabels = labelsPlist(
    "<dict><key>TITLE</key><string>Visit</string><key>URL</key>"
    "<string>https://example.org/v</string><key>FONTSIZE</key><integer>20</integer>"
    "<key>BOTTOM</key><integer>10</integer><key>COLOR_RED</key><integer>255</integer>"
    "<key>COLOR_ALPHA</key><integer>50</integer></dict>"
    "<dict><key>TITLE</key><string>Second &lt;b&gt;</string><key>FONTSIZE</key><real>10</real>"
    "<key>BOTTOM</key><string>6</string><key>COLOR_BLUE</key><integer>51</integer></dict>");

class UIBackGroundViewTest : public ::testing::Test {
protected:
    void SetUp() override { Device::setUserInterfaceIdiom(Device::Mac); }
    void TearDown() override {
        Device::setUserInterfaceIdiom(Device::Mac);
        Bundle::setPackagedSkinBundlePath(QStringLiteral(VELL_TEST_SKIN_BUNDLE));
    }

    // Writes a file into one skin folder of the installed bundle, installing that first.
    QString writeSkinFile(const QString& skin, const QString& file, const QByteArray& data) const {
        SkinStore::installIfMissing(Bundle::packagedSkinBundlePath(), home.installedBundle());
        return home.write(QStringLiteral("Documents/skin.bundle/%1/%2").arg(skin, file), data);
    }
    // A view of a skin of our own: a small picture and two labels.
    std::unique_ptr<UIBackGroundView> viewOfSkin(const QString& name) {
        writeSkinFile(name, kPicture, png({8, 6}));
        writeSkinFile(name, QStringLiteral("labels.plist"), kTwoLabels);
        return UIBackGroundView::initWithSkin(name);
    }
    static QList<UILinkLabel*> linkLabels(const QWidget& view) {
        return view.findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
    }

    TempHome home;
    LogCapture log;
    const QRectF frame{0, 0, 800, 600};
};

TEST_F(UIBackGroundViewTest, NoSkinNameOrNoSkinsAnywhereMakesNoViewAndInstallsNothing) {
    EXPECT_EQ(UIBackGroundView::initWithSkin(QString()), nullptr);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("skin must exist.")});
    const QString nowhere = home.path() + QStringLiteral("/nowhere/skin.bundle");
    Bundle::setPackagedSkinBundlePath(nowhere);
    EXPECT_EQ(UIBackGroundView::initWithSkin(QStringLiteral("qir")), nullptr);
    EXPECT_TRUE(log.lines().contains(QStringLiteral("skin.bundle NOT exist in your project.")));
    EXPECT_FALSE(QFileInfo::exists(home.installedBundle()));

    // Once installed, the copy in the home is all a view needs.
    Bundle::setPackagedSkinBundlePath(QStringLiteral(VELL_TEST_SKIN_BUNDLE));
    ASSERT_NE(UIBackGroundView::initWithSkin(QStringLiteral("qir")), nullptr);
    Bundle::setPackagedSkinBundlePath(nowhere);
    EXPECT_NE(UIBackGroundView::initWithSkin(QStringLiteral("qir")), nullptr);
}

// A new view covers the screen; every frame after shows the picture from the view's origin.
TEST_F(UIBackGroundViewTest, EveryFrameShowsThePictureFromTheViewsOrigin) {
    for (const QString& skin : {QStringLiteral("qir"), QStringLiteral("default")}) {
        const auto view = skin == QLatin1String("default") ? UIBackGroundView::init()
                                                           : UIBackGroundView::initWithSkin(skin);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->currentSkin(), skin);
        const QRectF screen(QPointF(0, 0), Device::mainScreenBounds().size());
        ASSERT_FALSE(screen.isEmpty());
        EXPECT_EQ(view->frame(), screen);
        EXPECT_EQ(ViewGeometry::frame(view->pictureView()), screen);
        for (const QRectF& at : {QRectF(0, 0, 1024, 768), QRectF(30.5, 40.25, 640, 480),
                                 QRectF(-12, 7, 300.75, 500)}) {
            view->setFrame(at);
            EXPECT_EQ(view->frame(), at);
            EXPECT_EQ(ViewGeometry::frame(view->pictureView()), QRectF(QPointF(0, 0), at.size()));
            EXPECT_FALSE(view->pictureView()->image().isNull());
        }
    }
    EXPECT_EQ(log.lines(), QStringList());
}

// Each layout chooses the picture for the idiom and the frame's shape of that moment.
TEST_F(UIBackGroundViewTest, PictureFollowsTheDeviceAndTheShape) {
    const char* names[] = {"Mac_Landscape", "iPad_Portrait", "iPhone_Landscape"};
    for (int i = 0; i < 3; ++i)
        writeSkinFile(QStringLiteral("probe"),
                      QStringLiteral("background_%1.png").arg(QLatin1String(names[i])),
                      png({11 + i, 3}));
    const auto view = UIBackGroundView::initWithSkin(QStringLiteral("probe"));
    ASSERT_NE(view, nullptr);
    const std::tuple<int, QSizeF, int> rows[] = {{Device::Pad, {768, 1024}, 12},
                                                 {Device::Phone, {844, 390}, 13},
                                                 {Device::Mac, {600, 800}, 11}};
    for (const auto& [idiom, size, width] : rows) {
        Device::setUserInterfaceIdiom(idiom);
        view->setFrame(QRectF(QPointF(0, 0), size));
        EXPECT_EQ(view->pictureView()->image().width(), width) << idiom;
    }
}

// Names that climb out of the bundle find nothing, not another skin's pictures.
TEST_F(UIBackGroundViewTest, NoSuchSkinShowsNothingAndSaysWhich) {
    for (const QString& skin : {QStringLiteral("nosuchskin"), QStringLiteral(".."),
                                QStringLiteral("../skin.bundle/qir")}) {
        const auto view = UIBackGroundView::initWithSkin(skin);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->currentSkin(), skin);
        log.clear();
        view->setFrame(frame);
        EXPECT_TRUE(view->pictureView()->image().isNull()) << skin.toStdString();
        EXPECT_EQ(log.lines(), QStringList({QStringLiteral("(null) NOT exist."),
                                            QStringLiteral("labels file NOT found.")}));
    }
}

TEST_F(UIBackGroundViewTest, OneLinkLabelPerEntryInFrontOfThePictureAfreshEachLayout) {
    const auto view = viewOfSkin(QStringLiteral("custom"));
    ASSERT_NE(view, nullptr);
    log.clear();
    view->setFrame(frame);
    EXPECT_EQ(log.lines(), QStringList());

    const QList<UILinkLabel*> labels = linkLabels(*view);
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(exact(ViewGeometry::frame(labels[0])), exact(QRectF(0, 566, 800, 24)));
    EXPECT_EQ(labels[0]->title(), QStringLiteral("Visit"));
    EXPECT_EQ(labels[0]->url(), QStringLiteral("https://example.org/v"));
    EXPECT_EQ(labels[0]->palette().color(QPalette::WindowText), QColor::fromRgbF(1, 0, 0, 0.5f));
    EXPECT_EQ(exact(ViewGeometry::frame(labels[1])), exact(QRectF(0, 548, 800, 12)));
    EXPECT_EQ(labels[1]->text(), QStringLiteral("Second <b>"));
    EXPECT_TRUE(labels[1]->url().isNull());
    EXPECT_EQ(labels[1]->palette().color(QPalette::WindowText), QColor::fromRgbF(0, 0, 0.2f, 1));

    // Later children draw over earlier ones: the picture, then the labels in file order.
    const QObjectList children = view->children();
    const qsizetype picture = children.indexOf(static_cast<QObject*>(view->pictureView()));
    ASSERT_GE(picture, 0);
    EXPECT_LT(picture, children.indexOf(static_cast<QObject*>(labels[0])));
    EXPECT_LT(children.indexOf(static_cast<QObject*>(labels[0])),
              children.indexOf(static_cast<QObject*>(labels[1])));
    for (const UILinkLabel* label : labels) EXPECT_TRUE(label->isVisibleTo(view.get()));

    // Each layout replaces every link label, and nothing else.
    const QPointer<UILinkLabel> old = labels[0];
    const QPointer<UILinkLabel> foreign =
        UILinkLabel::initWithFrame(QRectF(1, 2, 3, 4), view.get());
    const QPointer<QLabel> plain = new QLabel(QStringLiteral("plain"), view.get());
    view->setFrame(frame);
    const QList<UILinkLabel*> second = linkLabels(*view);
    EXPECT_EQ(second.size(), 2);
    for (UILinkLabel* label : second) EXPECT_FALSE(labels.contains(label) || label == foreign);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_TRUE(foreign.isNull());
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(plain->parent(), view.get());
}

TEST_F(UIBackGroundViewTest, EditedFilesShowAtTheNextLayoutAndUnchangedOnesAreNotReadAgain) {
    const auto view = viewOfSkin(QStringLiteral("edited"));
    ASSERT_NE(view, nullptr);
    const QString dir = home.installedBundle() + QStringLiteral("/edited");
    const QString picture = dir + QStringLiteral("/background_Mac_Landscape.png");
    view->setFrame(frame);
    const qint64 decoded = view->pictureView()->image().cacheKey();
    view->setFrame(frame);
    EXPECT_EQ(view->pictureView()->image().cacheKey(), decoded);  // same file, same picture

    // Written in place, then replaced by a rename: both show at once.
    home.write(QStringLiteral("Documents/skin.bundle/edited/background_Mac_Landscape.png"),
               png({12, 6}, Qt::red));
    home.write(QStringLiteral("Documents/skin.bundle/edited/labels.plist"),
               labelsPlist("<dict><key>TITLE</key><string>Only one</string></dict>"));
    view->setFrame(frame);
    EXPECT_EQ(view->pictureView()->image().size(), QSize(12, 6));
    ASSERT_EQ(linkLabels(*view).size(), 1);
    EXPECT_EQ(linkLabels(*view)[0]->text(), QStringLiteral("Only one"));

    const QString renamed = home.write(QStringLiteral("new.png"), png({12, 9}, Qt::blue));
    ASSERT_TRUE(QFile::remove(picture));
    ASSERT_TRUE(QFile::rename(renamed, picture));
    view->setFrame(frame);
    EXPECT_EQ(view->pictureView()->image().size(), QSize(12, 9));

    // Gone files are reported as before; the last picture stays, sized to the new frame.
    ASSERT_TRUE(QFile::remove(picture));
    ASSERT_TRUE(QFile::remove(dir + QStringLiteral("/labels.plist")));
    log.clear();
    view->setFrame(QRectF(0, 0, 600, 800));
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("(null) NOT exist."),
                                        QStringLiteral("labels file NOT found.")}));
    EXPECT_EQ(view->pictureView()->image().size(), QSize(12, 9));
    EXPECT_EQ(ViewGeometry::frame(view->pictureView()), QRectF(0, 0, 600, 800));
    EXPECT_TRUE(linkLabels(*view).isEmpty());
}

TEST_F(UIBackGroundViewTest, AnEditedSkinIsLaidOutAgainWithoutAnyLayoutCall) {
    const auto view = viewOfSkin(QStringLiteral("live"));
    ASSERT_NE(view, nullptr);
    view->setFrame(frame);
    ASSERT_EQ(linkLabels(*view).size(), 2);

    writeSkinFile(QStringLiteral("live"), QStringLiteral("labels.plist"),
                  labelsPlist("<dict><key>TITLE</key><string>Edited</string></dict>"));
    EXPECT_TRUE(waitUntil([&] {
        const QList<UILinkLabel*> labels = linkLabels(*view);
        return labels.size() == 1 && labels[0]->text() == QStringLiteral("Edited");
    }));
    writeSkinFile(QStringLiteral("live"), kPicture, png({20, 10}));
    EXPECT_TRUE(waitUntil([&] { return view->pictureView()->image().size() == QSize(20, 10); }));
    EXPECT_EQ(view->frame(), frame);
}

}  // namespace

#include "skin/UIBackGroundView.h"

#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/ImageView.h"
#include "skin/SkinStore.h"
#include "widgets/ViewGeometry.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

// A small picture whose width tells which file it came from.
QByteArray pngOfWidth(int width) {
    QImage image(width, 3, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QString kPicture = QStringLiteral("background_Mac_Landscape.png");

class UIBackGroundViewTest : public ::testing::Test {
protected:
    void TearDown() override {
        Device::setUserInterfaceIdiom(Device::Mac);
        Bundle::setPackagedSkinBundlePath(QStringLiteral(VELL_TEST_SKIN_BUNDLE));
    }

    // Writes a file into one skin folder of the installed bundle, installing that first.
    QString writeSkinFile(const QString& skin, const QString& file, const QByteArray& data) const {
        SkinStore::installIfMissing(Bundle::packagedSkinBundlePath(), home.installedBundle());
        return home.write(QStringLiteral("Documents/skin.bundle/%1/%2").arg(skin, file), data);
    }

    // The log lines about background pictures that could not be shown.
    QStringList pictureLines() const {
        return log.lines().filter(QRegularExpression(QStringLiteral(" NOT exist\\.$")));
    }

    TempHome home;
    LogCapture log;
};

TEST_F(UIBackGroundViewTest, EmptySkinNameMakesNoViewAndInstallsNothing) {
    EXPECT_EQ(UIBackGroundView::initWithSkin(QString()), nullptr);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("skin must exist.")});
    EXPECT_FALSE(QFileInfo::exists(home.installedBundle()));
}

TEST_F(UIBackGroundViewTest, FirstUseInstallsThePackagedSkinsAndCoversTheScreen) {
    const auto view = UIBackGroundView::initWithSkin(QStringLiteral("qir"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->currentSkin(), QStringLiteral("qir"));
    EXPECT_EQ(view->bundle().bundlePath(), home.installedBundle());
    EXPECT_TRUE(QFileInfo::exists(home.installedBundle() + QStringLiteral("/qir/labels.plist")));

    const QRectF screen(QPointF(0, 0), Device::mainScreenBounds().size());
    ASSERT_FALSE(screen.isEmpty());
    EXPECT_EQ(view->frame(), screen);
    ASSERT_NE(view->pictureView(), nullptr);
    EXPECT_EQ(ViewGeometry::frame(view->pictureView()), screen);
    EXPECT_TRUE(view->pictureView()->image().isNull());
}

TEST_F(UIBackGroundViewTest, NoSkinsAnywhereMakesNoView) {
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

TEST_F(UIBackGroundViewTest, EveryFrameShowsThePictureFromTheViewsOrigin) {
    for (const QString& skin : {QStringLiteral("qir"), QStringLiteral("default")}) {
        const auto view = skin == QLatin1String("default") ? UIBackGroundView::init()
                                                           : UIBackGroundView::initWithSkin(skin);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->currentSkin(), skin);
        for (const QRectF& frame : {QRectF(0, 0, 1024, 768), QRectF(30.5, 40.25, 640, 480),
                                    QRectF(-12, 7, 300.75, 500)}) {
            view->setFrame(frame);
            EXPECT_EQ(view->frame(), frame);
            EXPECT_EQ(ViewGeometry::frame(view->pictureView()),
                      QRectF(QPointF(0, 0), frame.size()));
            EXPECT_FALSE(view->pictureView()->image().isNull());
        }
    }
    EXPECT_TRUE(pictureLines().isEmpty()) << ::testing::PrintToString(pictureLines());
}

struct Choice {
    int idiom;
    QSizeF size;
    int width;  // of the picture that should show
};

class BackgroundPictureTest : public UIBackGroundViewTest,
                              public ::testing::WithParamInterface<Choice> {};

TEST_P(BackgroundPictureTest, FollowsTheDeviceAndTheShape) {
    const char* names[] = {"Mac_Landscape", "iPad_Landscape", "iPad_Portrait", "iPhone_Landscape",
                           "iPhone_Portrait"};
    for (int i = 0; i < 5; ++i)
        writeSkinFile(QStringLiteral("probe"),
                      QStringLiteral("background_%1.png").arg(QLatin1String(names[i])),
                      pngOfWidth(11 + i));
    const auto view = UIBackGroundView::initWithSkin(QStringLiteral("probe"));
    ASSERT_NE(view, nullptr);
    Device::setUserInterfaceIdiom(GetParam().idiom);
    view->setFrame(QRectF(QPointF(0, 0), GetParam().size));
    EXPECT_EQ(view->pictureView()->image().width(), GetParam().width);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, BackgroundPictureTest,
    ::testing::Values(Choice{Device::Mac, {800, 600}, 11}, Choice{Device::Mac, {600, 800}, 11},
                      Choice{Device::Pad, {1024, 768}, 12}, Choice{Device::Pad, {768, 1024}, 13},
                      Choice{Device::Pad, {500, 500}, 13}, Choice{Device::Phone, {844, 390}, 14},
                      Choice{Device::Phone, {390, 844}, 15}));

TEST_F(UIBackGroundViewTest, MissingPictureKeepsTheOneShowing) {
    writeSkinFile(QStringLiteral("probe"), kPicture, pngOfWidth(11));
    const auto view = UIBackGroundView::initWithSkin(QStringLiteral("probe"));
    ASSERT_NE(view, nullptr);
    view->setFrame(QRectF(0, 0, 800, 600));
    ASSERT_EQ(view->pictureView()->image().width(), 11);
    log.clear();

    Device::setUserInterfaceIdiom(Device::Pad);
    view->setFrame(QRectF(0, 0, 600, 800));
    EXPECT_EQ(pictureLines(), QStringList{QStringLiteral("(null) NOT exist.")});
    EXPECT_EQ(view->pictureView()->image().width(), 11);
    EXPECT_EQ(ViewGeometry::frame(view->pictureView()), QRectF(0, 0, 600, 800));
}

enum class Put { Nothing, Folder, File };

struct Unusable {
    const char* name;
    QString skin;
    Put put;          // what sits where the skin's Mac picture belongs
    QByteArray data;  // of the file put there
};

class UnusablePictureTest : public UIBackGroundViewTest,
                            public ::testing::WithParamInterface<Unusable> {};

TEST_P(UnusablePictureTest, ShowsNothingAndSaysWhich) {
    const Unusable& c = GetParam();
    QString named = QStringLiteral("(null)");
    if (c.put == Put::File) named = writeSkinFile(c.skin, kPicture, c.data);
    if (c.put == Put::Folder) writeSkinFile(c.skin, kPicture + QStringLiteral("/inside"), "x");
    const auto view = UIBackGroundView::initWithSkin(c.skin);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->currentSkin(), c.skin);
    log.clear();
    view->setFrame(QRectF(0, 0, 800, 600));
    EXPECT_TRUE(view->pictureView()->image().isNull());
    EXPECT_EQ(pictureLines(), QStringList{named + QStringLiteral(" NOT exist.")});
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusablePictureTest,
    ::testing::Values(
        Unusable{"Truncated", QStringLiteral("broken"), Put::File, pngOfWidth(64).chopped(40)},
        Unusable{"Empty", QStringLiteral("broken"), Put::File, QByteArray()},
        Unusable{"NotAPicture", QStringLiteral("broken"), Put::File, "not a picture\n"},
        Unusable{"SignatureOnly", QStringLiteral("broken"), Put::File,
                 QByteArray("\x89PNG\r\n\x1a\n", 8)},
        Unusable{"Folder", QStringLiteral("odd"), Put::Folder, {}},
        Unusable{"NoSuchSkin", QStringLiteral("nosuchskin"), Put::Nothing, {}},
        // Names that climb out of the bundle find nothing, not another skin's pictures.
        Unusable{"Parent", QStringLiteral(".."), Put::Nothing, {}},
        Unusable{"Path", QStringLiteral("../skin.bundle/qir"), Put::Nothing, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

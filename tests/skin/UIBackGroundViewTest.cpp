#include "skin/UIBackGroundView.h"

#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/ImageView.h"
#include "skin/SkinStore.h"
#include "widgets/UILinkLabel.h"
#include "widgets/ViewGeometry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>

#include <gtest/gtest.h>

#include "support/HostileSkins.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"
#include "support/Wait.h"

namespace {

class UIBackGroundViewTest : public ::testing::Test {
protected:
    void SetUp() override { Device::setUserInterfaceIdiom(Device::Mac); }
    void TearDown() override {
        Device::setUserInterfaceIdiom(Device::Mac);
        Bundle::setPackagedSkinBundlePath(QStringLiteral(VELL_TEST_SKIN_BUNDLE));
    }
    // The steps of skin-edits.json, the first of which makes a skin of two labels.
    const QJsonArray edits = QJsonDocument::fromJson(testData("skin-edits.json")).array();
    QList<UILinkLabel*> labels(const QWidget& view) const {
        return view.findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
    }

    TempHome home;
    LogCapture log;
};

TEST_F(UIBackGroundViewTest, NoSkinNameOrNoSkinsAnywhereMakesNoViewAndInstallsNothing) {
    EXPECT_EQ(UIBackGroundView::initWithSkin(QString()), nullptr);
    EXPECT_EQ(log.lines(), QStringList{"skin must exist."});
    const QString nowhere = home.path() + "/nowhere/skin.bundle";
    Bundle::setPackagedSkinBundlePath(nowhere);
    EXPECT_EQ(UIBackGroundView::init(), nullptr);
    EXPECT_TRUE(log.lines().contains("skin.bundle NOT exist in your project."));
    EXPECT_FALSE(QFileInfo::exists(home.installedBundle()));
    // Once installed, the copy in the home is all a view needs.
    Bundle::setPackagedSkinBundlePath(VELL_TEST_SKIN_BUNDLE);
    ASSERT_NE(UIBackGroundView::init(), nullptr);
    Bundle::setPackagedSkinBundlePath(nowhere);
    EXPECT_EQ(UIBackGroundView::init()->currentSkin(), "default");
}

TEST_F(UIBackGroundViewTest, LaysTheSkinOutAfreshAtEveryFrame) {
    SkinStore::installIfMissing(VELL_TEST_SKIN_BUNDLE, home.installedBundle());
    makeTree(home.installedBundle() + "/custom", edits[0]["edit"].toObject());
    const auto view = UIBackGroundView::initWithSkin("custom");
    ASSERT_NE(view, nullptr);
    // A new view covers the screen; later, the picture for the idiom and the shape of the
    // frame of that moment, from the view's origin.
    const QRectF screen(QPointF(0, 0), Device::mainScreenBounds().size());
    EXPECT_EQ(view->frame(), screen);
    EXPECT_EQ(ViewGeometry::frame(view->pictureView()), screen);
    const std::tuple<int, QRectF, int> layouts[] = {{Device::Pad, {-12, 7, 768, 1024}, 12},
                                                    {Device::Phone, {30.5, 40.25, 844, 390}, 13},
                                                    {Device::Mac, {0, 0, 800, 600}, 8}};
    for (const auto& [idiom, frame, width] : layouts) {
        Device::setUserInterfaceIdiom(idiom);
        view->setFrame(frame);
        EXPECT_EQ(view->frame(), frame);
        EXPECT_EQ(ViewGeometry::frame(view->pictureView()), QRectF(QPointF(0, 0), frame.size()));
        EXPECT_EQ(view->pictureView()->image().width(), width) << idiom;
    }
    // One link label per entry, as placed, in front of the picture in the file's order.
    const QList<UILinkLabel*> shown = labels(*view);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(exact(ViewGeometry::frame(shown[0])), exact(QRectF(0, 566, 800, 24)));
    EXPECT_EQ(shown[0]->url(), "https://example.org/v");
    EXPECT_EQ(shown[0]->palette().color(QPalette::WindowText), QColor::fromRgbF(1, 0, 0, 0.5f));
    EXPECT_EQ(exact(ViewGeometry::frame(shown[1])), exact(QRectF(0, 548, 800, 12)));
    EXPECT_EQ(shown[1]->text(), "Second <b>");
    EXPECT_TRUE(shown[1]->url().isNull());
    EXPECT_EQ(shown[1]->palette().color(QPalette::WindowText), QColor::fromRgbF(0, 0, 0.2f, 1));
    const QObjectList children = view->children();
    EXPECT_LT(children.indexOf(view->pictureView()), children.indexOf(shown[0]));
    EXPECT_LT(children.indexOf(shown[0]), children.indexOf(shown[1]));

    // Each layout replaces every link label, whoever added it, and nothing else; unchanged
    // files are not decoded again.
    const QPointer<UILinkLabel> old = shown[0];
    const QPointer<UILinkLabel> foreign = UILinkLabel::initWithFrame({1, 2, 3, 4}, view.get());
    const QPointer<QLabel> plain = new QLabel("plain", view.get());
    const qint64 decoded = view->pictureView()->image().cacheKey();
    view->setFrame(view->frame());
    EXPECT_EQ(view->pictureView()->image().cacheKey(), decoded);
    EXPECT_EQ(labels(*view).size(), 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull() && foreign.isNull());
    EXPECT_FALSE(plain.isNull());
    EXPECT_EQ(log.lines(), QStringList());
}

// The view watches its skin: each step of skin-edits.json shows by itself.
TEST_F(UIBackGroundViewTest, EachEditOfTheSkinShowsWithoutALayoutCall) {
    SkinStore::installIfMissing(VELL_TEST_SKIN_BUNDLE, home.installedBundle());
    const auto view = UIBackGroundView::initWithSkin("live");
    ASSERT_NE(view, nullptr);
    view->setFrame(QRectF(0, 0, 800, 600));
    eachRow("skin-edits.json", [&](const QJsonValue& row) {
        makeTree(home.installedBundle() + "/live", row["edit"].toObject());
        const auto done = [&] {
            QJsonArray titles;
            for (const UILinkLabel* label : labels(*view)) titles.append(label->title());
            const QSize picture = view->pictureView()->image().size();
            return (!row["titles"].isArray() || titles == row["titles"].toArray()) &&
                   (!row["picture"].isArray() ||
                    QJsonArray{picture.width(), picture.height()} == row["picture"].toArray());
        };
        EXPECT_TRUE(waitUntil(done));
    });
}

}  // namespace

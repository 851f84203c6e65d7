#include "skin/SkinChooser.h"

#include "skin/ImageView.h"
#include "skin/SkinStore.h"
#include "skin/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/HostileSkins.h"
#include "support/LogCapture.h"
#include "support/ShownSkinView.h"

namespace {

class SkinChooserTest : public ShownSkinView {
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
    QList<UILinkLabel*> labels() const {
        return view->findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
    }

    LogCapture log;
};

// Each skin folder as it is named ('&' makes no mnemonic), in the listing's order, above
// Cancel, asked window-modally over the window; one skin (and a link to it) asks nothing.
TEST_F(SkinChooserTest, OffersEachSkinAsNamedAboveCancel) {
    const QString bundle = home.installedBundle();
    for (const char* name : {".hidden", "Black & White", "&&", "<b>bold"}) QDir(bundle).mkdir(name);
    SkinChooser* chooser = tap();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->windowTitle(), "Skins");
    EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
    EXPECT_EQ(chooser->parentWidget(), &window);
    const QList<QLabel*> texts = chooser->findChildren<QLabel*>();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts.first()->text(), "Please choice your skin.");
    QStringList shown;
    for (QPushButton* button : chooser->skinButtons()) {
        shown << button->text().replace("&&", "&");
        EXPECT_LT(button->mapTo(chooser, QPoint()).y(), chooser->cancelButton()->y());
    }
    EXPECT_EQ(shown, SkinStore::skinNames(bundle));
    EXPECT_EQ(shown.size(), 6);
    EXPECT_EQ(chooser->cancelButton()->text(), "Cancel");
    EXPECT_EQ(chooser->findChildren<QPushButton*>().size(), 7);
    chooser->reject();
    settle();

    for (const QString& name : SkinStore::skinNames(bundle))
        if (name != "qir") QDir(bundle + '/' + name).removeRecursively();
    QFile::link("qir", bundle + "/default");
    EXPECT_EQ(tap(), nullptr);
}

// A choice lays the chosen skin out at once; Cancel keeps all as it was.
TEST_F(SkinChooserTest, AnswersAsTheTableSays) {
    // Pictures of telling sizes, written after the first layout, so a choice shows it read them.
    const QMap<QString, QSize> sizes{{"qir", {40, 30}}, {"default", {50, 20}}};
    for (auto it = sizes.begin(); it != sizes.end(); ++it)
        home.write("Documents/skin.bundle/" + it.key() + "/background_Mac_Landscape.png",
                   png(it.value()));
    eachRow("skin-chooser.json", [&](const QJsonValue& row) {
        view->switchSkin("qir");
        settle();
        const qint64 picture = view->pictureView()->image().cacheKey();
        const QList<UILinkLabel*> before = labels();
        const QList<QPointer<UILinkLabel>> watched(before.begin(), before.end());
        ASSERT_FALSE(before.isEmpty());
        SkinChooser* chooser = tap();
        ASSERT_NE(chooser, nullptr);
        ASSERT_TRUE(active(chooser));
        const QList<QPushButton*> buttons = chooser->skinButtons();
        ASSERT_EQ(buttons.size(), 2);
        EXPECT_EQ(QApplication::focusWidget(), buttons.first());
        const QString chosen =
            row["chosen"].isNull() ? QString() : buttons[row["chosen"].toInt()]->text();
        if (row["removeSkins"].toBool()) QDir(home.installedBundle()).removeRecursively();
        if (row["click"].isDouble())
            QTest::mouseClick(buttons[row["click"].toInt()], Qt::LeftButton);
        if (row["click"] == "cancel") QTest::mouseClick(chooser->cancelButton(), Qt::LeftButton);
        for (const QJsonValue key : row["keys"].toArray())
            QTest::keyClick(QApplication::focusWidget(), QKeySequence(key.toString())[0].key());
        settle();
        EXPECT_EQ(window.findChild<SkinChooser*>(), nullptr);
        if (row["removeSkins"].toBool()) {
            EXPECT_FALSE(view->pictureView()->image().isNull());
            EXPECT_FALSE(log.lines().isEmpty());
        } else if (chosen.isNull()) {
            EXPECT_EQ(view->currentSkin(), "qir");
            EXPECT_EQ(view->pictureView()->image().cacheKey(), picture);
            EXPECT_EQ(labels(), before);
            for (const QPointer<UILinkLabel>& label : watched) EXPECT_FALSE(label.isNull());
        } else {
            EXPECT_EQ(view->currentSkin(), chosen);
            EXPECT_EQ(view->pictureView()->image().size(), sizes.value(chosen));
            const QList<UILinkLabel*> now = labels();
            EXPECT_TRUE(std::any_of(now.begin(), now.end(),
                                    [&](UILinkLabel* label) { return label->title() == chosen; }));
            for (const QPointer<UILinkLabel>& label : watched) EXPECT_TRUE(label.isNull());
        }
    });
}

TEST_F(SkinChooserTest, ManySkinsScrollAndTheKeysReachTheLast) {
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

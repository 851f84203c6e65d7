#include "skin/SkinChooser.h"

#include "skin/ImageView.h"
#include "skin/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/ShownSkinView.h"
#include "support/SkinFiles.h"

namespace {

// A button's text as it shows: "&&" is a literal '&', a single '&' marks the mnemonic.
QString shown(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && ++i == text.size()) break;
        out += text[i];
    }
    return out;
}

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
    QDir bundle() const { return QDir(home.installedBundle()); }

    LogCapture log;
};

// ---- Which skins are offered ----

// A change to the installed bundle, which starts with the folders qir and default.
struct Change {
    enum { Remove, Folder, File, Link } what;
    const char* name;              // inside the bundle; empty for the bundle itself
    const char* target = nullptr;  // of a link: absolute, or inside the bundle

    void apply(const QDir& bundle) const {
        const QString path = bundle.filePath(QString::fromUtf8(name));
        if (what == Remove) QDir(path).removeRecursively();
        if (what == Folder) QDir().mkpath(path);
        if (what == File) QFile(path).open(QIODevice::WriteOnly);
        if (what == Link) QFile::link(bundle.filePath(QString::fromUtf8(target)), path);
    }
};

struct Listing {
    const char* name;
    QList<Change> changes;
    QStringList offered;  // empty: no chooser at all
    friend void PrintTo(const Listing& l, std::ostream* os) { *os << l.name; }
};

class SkinListingTest : public SkinChooserTest, public ::testing::WithParamInterface<Listing> {};

TEST_P(SkinListingTest, OffersEachSkinFolderThenCancel) {
    for (const Change& change : GetParam().changes) change.apply(bundle());
    SkinChooser* chooser = tap();
    if (GetParam().offered.isEmpty()) {
        EXPECT_EQ(chooser, nullptr);
        return;
    }
    ASSERT_NE(chooser, nullptr);
    // Asked window-modally over the window.
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Skins"));
    EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
    EXPECT_EQ(chooser->parentWidget(), &window);
    const QList<QLabel*> texts = chooser->findChildren<QLabel*>();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts.first()->text(), QStringLiteral("Please choice your skin."));
    QStringList names;
    for (QPushButton* button : chooser->skinButtons()) {
        names.append(shown(button->text()));
        EXPECT_LT(button->mapTo(chooser, QPoint()).y(), chooser->cancelButton()->y());
    }
    names.sort();
    QStringList offered = GetParam().offered;
    offered.sort();
    EXPECT_EQ(names, offered);
    EXPECT_EQ(chooser->cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(chooser->findChildren<QPushButton*>().size(), offered.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Bundles, SkinListingTest,
    ::testing::Values(Listing{"TwoFolders", {}, {"qir", "default"}},
                      Listing{"WholeBundleRemoved", {{Change::Remove, ""}}, {}},
                      Listing{"FilesAndLinksBeside",
                              {{Change::File, "notes.txt"},
                               {Change::Link, "linked", "qir"},
                               {Change::Link, "elsewhere", "/tmp"}},
                              {"qir", "default"}},
                      // A link does not make a second skin: one skin, no chooser.
                      Listing{"OneFolderAndALinkToIt",
                              {{Change::Remove, "default"}, {Change::Link, "default", "qir"}},
                              {}},
                      Listing{
                          "NamesShownAsTheyAreHiddenOnesToo",
                          {{Change::Folder, ".hidden"},
                           {Change::Folder, "Black & White"},
                           {Change::Folder, "&&"},
                           {Change::Folder, "<b>bold"},
                           {Change::Folder, "Grün"}},
                          {"qir", "default", ".hidden", "Black & White", "&&", "<b>bold", "Grün"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- What an answer does ----

constexpr int kCancel = -1;
constexpr int kKeysOnly = -2;

struct Answer {
    const char* name;
    int click;        // the skin button clicked, kCancel, or kKeysOnly
    QList<int> keys;  // typed into whatever has the focus
    int chosen;       // the skin button that takes effect, or kCancel when nothing changes
    friend void PrintTo(const Answer& a, std::ostream* os) { *os << a.name; }
};

class AnswerTest : public SkinChooserTest, public ::testing::WithParamInterface<Answer> {};

TEST_P(AnswerTest, ChoiceLaysOutAfreshAndCancelKeepsAll) {
    // Pictures of telling sizes, written after the first layout, so a choice shows it read them.
    const QMap<QString, QSize> sizes{{"qir", {40, 30}}, {"default", {50, 20}}};
    for (auto it = sizes.begin(); it != sizes.end(); ++it)
        home.write("Documents/skin.bundle/" + it.key() + "/background_Mac_Landscape.png",
                   png(it.value()));
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
    const Answer& answer = GetParam();
    const QString chosen = answer.chosen == kCancel ? QString() : buttons[answer.chosen]->text();
    if (answer.click != kKeysOnly)
        QTest::mouseClick(answer.click == kCancel ? chooser->cancelButton() : buttons[answer.click],
                          Qt::LeftButton);
    for (int key : answer.keys) QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    settle();

    EXPECT_EQ(window.findChild<SkinChooser*>(), nullptr);
    if (chosen.isNull()) {
        EXPECT_EQ(view->currentSkin(), QStringLiteral("qir"));
        EXPECT_EQ(view->pictureView()->image().cacheKey(), picture);
        EXPECT_EQ(labels(), before);
        for (const QPointer<UILinkLabel>& label : watched) EXPECT_FALSE(label.isNull());
        return;
    }
    EXPECT_EQ(view->currentSkin(), chosen);
    EXPECT_EQ(view->pictureView()->image().size(), sizes.value(chosen));
    QStringList titles;
    for (UILinkLabel* label : labels()) titles.append(label->title());
    EXPECT_TRUE(titles.contains(chosen)) << ::testing::PrintToString(titles);
    for (const QPointer<UILinkLabel>& label : watched) EXPECT_TRUE(label.isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnswerTest,
    ::testing::Values(Answer{"ClickSecond", 1, {}, 1}, Answer{"ClickCancel", kCancel, {}, kCancel},
                      Answer{"DownEnter", kKeysOnly, {Qt::Key_Down, Qt::Key_Enter}, 1},
                      // Up on the first stays there.
                      Answer{"UpDownUpSpace",
                             kKeysOnly,
                             {Qt::Key_Up, Qt::Key_Down, Qt::Key_Up, Qt::Key_Space},
                             0},
                      Answer{"DownPastCancel",
                             kKeysOnly,
                             {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return},
                             kCancel}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinChooserTest, SkinsRemovedWhileAskingKeepThePicture) {
    SkinChooser* chooser = tap();
    ASSERT_NE(chooser, nullptr);
    bundle().removeRecursively();
    QTest::mouseClick(chooser->skinButtons().last(), Qt::LeftButton);
    settle();
    EXPECT_EQ(window.findChild<SkinChooser*>(), nullptr);
    EXPECT_FALSE(view->pictureView()->image().isNull());
    EXPECT_FALSE(log.lines().isEmpty());
}

TEST_F(SkinChooserTest, ManySkinsScrollInsteadOfGrowing) {
    for (int i = 0; i < 50; ++i)
        bundle().mkdir(QStringLiteral("skin %1").arg(i, 2, 10, QChar('0')));
    SkinChooser* chooser = tap();
    ASSERT_NE(chooser, nullptr);
    const QList<QPushButton*> buttons = chooser->skinButtons();
    ASSERT_EQ(buttons.size(), 52);
    EXPECT_LT(chooser->sizeHint().height(), 800);
    EXPECT_LT(chooser->height(), 800);
    // The keyboard reaches the last one and brings it into view.
    ASSERT_TRUE(active(chooser));
    for (int i = 0; i < 51; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), buttons.last());
    EXPECT_FALSE(buttons.last()->visibleRegion().isEmpty());
    EXPECT_TRUE(buttons.first()->visibleRegion().isEmpty());
}

}  // namespace

#include "screen/ViewController.h"
#include "skinview/SkinChooser.h"
#include "skinview/UIBackGroundView.h"
#include "text/FontLookup.h"
#include "widgets/OrrinNavigationController.h"
#include "widgets/TapRecognizer.h"
#include "widgets/UILinkLabel.h"
#include "widgets/ViewGeometry.h"

#include <QFontInfo>
#include <QJsonArray>
#include <QStyleHints>
#include <QTest>

#include "support/LogCapture.h"
#include "support/OpenedUrls.h"
#include "support/QtPrinters.h"
#include "support/Table.h"
#include "support/TempHome.h"

using Label = std::unique_ptr<UILinkLabel>;

static Label makeLabel(const QRectF& frame = QRectF(0, 0, 200, 30)) {
    return Label(UILinkLabel::initWithFrame(frame));
}

const std::map<QString, bool (*)(const QString&)> kValidators{{"tel", UILinkLabel::checkTelNumber},
                                                              {"email", UILinkLabel::validateEmail},
                                                              {"url", UILinkLabel::checkURL}};

// A validator, a string, and whether the whole string passes.
class ValidatorRows : public TableTest {};
TEST_P(ValidatorRows, MatchWholeStringsOnly) {
    const QJsonValue& row = GetParam().value;
    EXPECT_EQ(kValidators.at(row[0].toString())(row[1].toString()), row[2].toBool());
}
VELL_TABLE(ValidatorRows, "validators.json");

TEST(ValidatorTest, RefuseMegabytesAtOnce) {
    const auto& valid = kValidators;
    const QString huge(1 << 20, '1');
    for (const QString& text :
         {huge, "http://" + QString("a.").repeated(1 << 19) + "b", "a@" + huge + ".com"})
        for (const auto& [name, check] : valid) EXPECT_FALSE(check(text)) << name.toStdString();
}

// A PostScript name finds its installed face through fontconfig; another is spelled out, its
// weight taken from the name.
TEST(FontLookupTest, FindsInstalledFacesAndSpellsOutTheRest) {
    const QFont installed = FontLookup::fontWithName("DejaVuSans-Bold", 12);
    EXPECT_TRUE(FontLookup::isInstalled("DejaVuSans-Bold"));
    EXPECT_EQ(QFontInfo(installed).family(), "DejaVu Sans");
    EXPECT_EQ(installed.weight(), QFont::Bold);
    EXPECT_FALSE(FontLookup::isInstalled("NoSuchFace-Semibold"));
    EXPECT_EQ(FontLookup::fontWithName("NoSuchFace-Semibold", 12).weight(), QFont::DemiBold);
}

// The title shows as plain text in the link colour and underline set before it; without a url,
// ("(null)", "<null>", ""), as plain text alone.
TEST(UILinkLabelTest, TitleShowsAsTextInTheLinkColourAndUnderlineAtTheFrameGiven) {
    const QRectF frame(0.25, 766.125, 800.5, 14.399999999999999);  // kept to the bit
    const Label label = makeLabel(frame);
    EXPECT_EQ(exact(ViewGeometry::frame(label.get())), exact(frame));
    label->setUnderLine(true);
    label->setTitle("Vell <b>Thermo</b>");
    EXPECT_EQ(label->attributedText().value_or(AttributedString{}).text, "Vell <b>Thermo</b>");
    EXPECT_TRUE(label->textFormat() == Qt::PlainText && label->text() == "Vell <b>Thermo</b>");
    EXPECT_TRUE(label->font().underline());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(label->setAttributedString("xy").text, "xy");  // leaves the label as it is
    EXPECT_EQ(label->text(), "Vell <b>Thermo</b>");
    label->setLinktextColor(QColor(255, 0, 0));
    label->setUrlWithTitle("Plain", "(null)");
    EXPECT_TRUE(label->url() == "" && !label->url().isNull() && label->text() == "Plain");
    EXPECT_FALSE(label->attributedText().has_value() || label->font().underline());
    label->setTitle("Red");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    label->setLinktextColor(QColor());  // no colour at all: the link blue
    label->setTitle("Blue");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    for (const char* url : {"(null)", "<null>", ""}) EXPECT_TRUE(UILinkLabel::isEmptyValue(url));
    EXPECT_FALSE(UILinkLabel::isEmptyValue(" (null)") || UILinkLabel::isEmptyValue("null"));
}

// A title shows on one line, cut at its end to the label's width, the whole of it as the tooltip.
TEST(UILinkLabelTest, ShowsOneLineCutToItsWidth) {
    const Label label = makeLabel(QRectF(0, 0, 120, 30));
    const QString longTitle = QString("Vell Thermo on the web ").repeated(4);
    for (const auto& [title, shown] : std::vector<std::pair<QString, QString>>{
             {"Short", "Short"}, {"Two\nlines", "Two\u2026"}, {longTitle, ""}}) {
        label->setTitle(title);
        EXPECT_EQ(label->toolTip(), title == shown ? QString() : title);
        if (!shown.isEmpty()) {
            EXPECT_EQ(label->text(), shown);
        }
    }
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026)) && !label->text().contains('\n'));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), 120);
}

// What a label with that url opened, and the lines it logged.
QStringList click(const QString& url, OpenedUrls& opened) {
    opened.clear();
    const LogCapture log;
    const Label label = makeLabel();
    if (!url.isNull()) label->setUrl(url);
    label->topAction();
    return log.lines();
}

// A url, and whether a label opens it (web, mail and phone links) or logs it, shortly.
class LinkRows : public TableTest {};
TEST_P(LinkRows, OpenOnlyWebMailAndPhoneLinksAndLogTheRest) {
    const QJsonValue& row = GetParam().value;
    OpenedUrls opened;
    EXPECT_EQ(click(row[0].toString(), opened).size(), row[1].toBool() ? 0 : 1);
    EXPECT_EQ(opened, row[1].toBool() ? QList<QUrl>{QUrl(row[0].toString())} : QList<QUrl>());
}
VELL_TABLE(LinkRows, "links.json");

TEST(UILinkLabelTest, LogsAHugeLinkShortlyAndAnEmptyOneNotAtAll) {
    OpenedUrls opened;
    const auto click = [&](const QString& url) { return ::click(url, opened); };
    const QStringList log = click("https://x.org/" + QString(1 << 20, 'a'));
    EXPECT_TRUE(opened.isEmpty() && log.size() == 1 && log[0].size() < 400);
    // A url never set and the empty one of a plain label open nothing and log nothing.
    EXPECT_TRUE(click(QString()).isEmpty() && click("").isEmpty() && opened.isEmpty());
}

// Presses (x, y, time) and those on which five taps complete.
class TapRows : public TableTest {};
TEST_P(TapRows, FireOnThePressThatCompletesFive) {
    const QJsonValue& row = GetParam().value;
    TapCounter counter(5, 400, 8);
    QJsonArray fired;
    for (qsizetype i = 0; i < row[1].toArray().size(); ++i) {
        const QJsonValue p = row[1][i];
        if (counter.press({p[0].toDouble(), p[1].toDouble()}, p[2].toInteger())) fired.append(i);
    }
    EXPECT_EQ(fired, row[2].toArray());
}
VELL_TABLE(TapRows, "taps.json");

// Real clicks on the screen's window, which QTest times 501 ms apart (3 s after a pause): quick
// ones with the double-click interval at 2 s here. The table's first line says what a row holds.
class TapScriptRows : public TableTest {};
TEST_P(TapScriptRows, FiveClicksAnywhereOnThePictureChooseASkinAndALinkOpensOncePerClick) {
    const QJsonValue& row = GetParam().value;
    const TempHome home;
    OpenedUrls opened;
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(2000);
    OrrinNavigationController root;
    auto* screen = new ViewController;
    root.pushViewController(screen);
    root.resize(800, 600);
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    QMap<QChar, QPoint> at{{'b', root.rect().center()}};
    UILinkLabel* web = nullptr;
    for (UILinkLabel* label : screen->backgroundView()->findChildren<UILinkLabel*>()) {
        const QPoint middle = label->mapTo(&root, label->rect().center());
        if (label->url().startsWith("https:")) {
            web = label;
            at['l'] = middle;
            at['e'] = label->mapTo(&root, QPoint(4, 4));
        } else if (label->title().startsWith("Five clicks")) {
            at['h'] = middle;
        }
    }
    ASSERT_TRUE(web != nullptr && at.size() == 4);
    // The pointing hand shows over the link's title only.
    QTest::mouseMove(root.windowHandle(), at['e']);
    EXPECT_EQ(web->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(root.windowHandle(), at['l']);
    EXPECT_EQ(web->cursor().shape(), Qt::PointingHandCursor);
    opened.clear();
    int delay = 0;
    for (const QChar c : row[0].toString()) {
        const Qt::MouseButton button = c.isLower() ? Qt::LeftButton : Qt::RightButton;
        if (c != ' ') QTest::mouseClick(root.windowHandle(), button, {}, at[c.toLower()], delay);
        delay = c == ' ' ? 3000 : 0;
    }
    EXPECT_EQ(root.findChildren<SkinChooser*>().size(), row[1].toInt());
    EXPECT_EQ(opened, QList<QUrl>(row[2].toInt(), QUrl(web->url())));
}
VELL_TABLE(TapScriptRows, "tap_scripts.json");

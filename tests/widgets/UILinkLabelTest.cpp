#include "widgets/UILinkLabel.h"

#include "widgets/ViewGeometry.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "support/LogCapture.h"
#include "support/OpenedUrls.h"
#include "support/QtPrinters.h"

namespace {

using Label = std::unique_ptr<UILinkLabel>;

Label makeLabel(const QRectF& frame = QRectF(0, 0, 200, 30)) {
    return Label(UILinkLabel::initWithFrame(frame));
}

QColor shownColor(const UILinkLabel& label) {
    return label.palette().color(QPalette::WindowText);
}

struct Validator {
    const char* name;
    std::function<bool(const QString&)> check;
    QStringList valid;
    QStringList invalid;
};

// Each pattern must match the whole string; \d and \w take any script's digits and letters.
TEST(ValidatorTest, MatchesWholeStringsOnly) {
    const Validator validators[] = {
        {"tel",
         UILinkLabel::checkTelNumber,
         {"13812345678", "13012345678",
          QStringLiteral(u"138\u0661\u0662\u0663\u0664\u0665\u0666"
                         u"\u0667\u0668")},
         {"15412345678", "17112345678", "1381234567", "138123456789", "+13812345678",
          "8613812345678", "1381234 5678", ""}},
        {"email",
         UILinkLabel::validateEmail,
         {"user.name@example.com", "USER@EXAMPLE.ORG"},
         {"user@example.abcde", "user@localhost", "user@example.com ", ""}},
        {"url",
         UILinkLabel::checkURL,
         {"http://a.b", "https://www.example.org", "http://a.b/path?x=1&y=2", "http://a.b/",
          QStringLiteral(u"http://\u043f\u0440\u0438.\u0440\u0444")},
         {"HTTP://a.b", "http://localhost", "http://a.b:8080", "http://a.b/x#x", "http://a.b?x=1",
          ""}},
    };
    const QString huge(1 << 20, QLatin1Char('1'));
    for (const Validator& v : validators) {
        for (const QString& text : v.valid)
            EXPECT_TRUE(v.check(text)) << v.name << " " << text.toStdString();
        for (const QString& text : v.invalid)
            EXPECT_FALSE(v.check(text)) << v.name << " " << text.toStdString();
        // Megabytes of input are refused at once rather than matched.
        EXPECT_FALSE(v.check(huge)) << v.name;
        EXPECT_FALSE(v.check("http://" + QStringLiteral("a.").repeated(1 << 19) + "b")) << v.name;
        EXPECT_FALSE(v.check("a@" + huge + ".com")) << v.name;
    }
}

TEST(UILinkLabelTest, EmptyValuesAndFrame) {
    for (const QString& empty : {QString(), QString(""), QString("<null>"), QString("(null)")})
        EXPECT_TRUE(UILinkLabel::isEmptyValue(empty)) << empty.toStdString();
    for (const char* value : {" (null)", "NULL", "null", " "})
        EXPECT_FALSE(UILinkLabel::isEmptyValue(value)) << value;
    // A label keeps the fractional frame a skin gives it, to the bit.
    const QRectF frame(0.25, 766.125, 800.5, 14.399999999999999);
    EXPECT_EQ(exact(ViewGeometry::frame(makeLabel(frame).get())), exact(frame));
}

TEST(UILinkLabelTest, TitleShowsAsTextInTheLinkColourAndUnderline) {
    const QString title = QStringLiteral("Vell <b>Thermo</b> \u2103");
    for (const bool underLine : {false, true}) {
        const Label label = makeLabel();
        label->setUnderLine(underLine);
        label->setTitle(title);
        ASSERT_TRUE(label->attributedText().has_value());
        EXPECT_EQ(label->attributedText()->text, title);
        // Markup in a title is shown as the characters it is made of.
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), title);
        EXPECT_EQ(shownColor(*label), QColor(0, 0, 255));
        EXPECT_EQ(label->font().underline(), underLine);
        // The styled form of another text leaves the label as it is.
        EXPECT_EQ(label->setAttributedString("xy").text, "xy");
        EXPECT_EQ(label->text(), title);
        // A new colour shows with the next title, not before.
        label->setLinktextColor(QColor(255, 0, 0));
        EXPECT_EQ(shownColor(*label), QColor(0, 0, 255));
        label->setTitle("");
        EXPECT_EQ(label->text(), QString());
        EXPECT_EQ(shownColor(*label), QColor(255, 0, 0));
    }
}

TEST(UILinkLabelTest, TitleWithEmptyUrlShowsAsPlainText) {
    const QString title = QStringLiteral("Plain <i>t</i>");
    for (const QString& url : {QString("(null)"), QString("<null>"), QString(""), QString()}) {
        const Label label = makeLabel();
        label->setUrlWithTitle(title, url);
        EXPECT_TRUE(label->url() == "" && !label->url().isNull());
        EXPECT_EQ(label->title(), title);
        EXPECT_EQ(label->text(), title);
        EXPECT_FALSE(label->attributedText().has_value());
    }
    // A usable url with an empty title keeps what shows.
    const Label label = makeLabel();
    label->setTitle("before");
    label->setUrlWithTitle("<null>", "https://example.org");
    EXPECT_EQ(label->url(), "https://example.org");
    EXPECT_EQ(label->title(), "before");
    EXPECT_EQ(label->text(), "before");
    label->setUrlWithTitle(QString(), QString());
    EXPECT_EQ(label->text(), QString());
}

TEST(TopActionTest, OpensOnlyWebMailAndPhoneLinks) {
    OpenedUrls opened;
    const QString many(1 << 20, QLatin1Char('a'));
    const QStringList opening{"http://example.org/a?b=1", "https://example.org/",
                              "mailto:someone@example.org", "tel:13812345678"};
    // clang-format off
    const QStringList refused{"file:///etc/passwd", "javascript:alert(1)", "ftp://x.y", "smb://h/s",
                              "/usr/bin/xterm", "not a url", "file:///" + many,
                              "https://example.org/" + many};
    // clang-format on
    // A null url (never set) and the empty one of a plain label open nothing and log nothing.
    for (const QString& url : opening + refused + QStringList{QString(), QStringLiteral("")}) {
        const bool opens = opening.contains(url);
        SCOPED_TRACE(url.left(60).toStdString());
        opened.clear();
        const LogCapture log;
        const Label label = makeLabel();
        if (!url.isNull()) label->setUrl(url);
        label->topAction();
        EXPECT_EQ(opened, opens ? QList<QUrl>{QUrl(url)} : QList<QUrl>());
        EXPECT_EQ(log.lines().size(), opens || url.isEmpty() ? 0 : 1);
        for (const QString& line : log.lines()) EXPECT_LT(line.size(), 400);
    }
}

}  // namespace

#include "widgets/UILinkLabel.h"

#include "platform/UrlOpener.h"
#include "widgets/ViewGeometry.h"

#include <QCoreApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "support/LogCapture.h"
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

TEST(UILinkLabelTest, EmptyValues) {
    for (const QString& empty :
         {QString(), QStringLiteral(""), QStringLiteral("<null>"), QStringLiteral("(null)")})
        EXPECT_TRUE(UILinkLabel::isEmptyValue(empty)) << empty.toStdString();
    for (const char* value : {" (null)", "NULL", "null", " "})
        EXPECT_FALSE(UILinkLabel::isEmptyValue(QString::fromLatin1(value))) << value;
}

TEST(UILinkLabelTest, NewLabelIsCentredBlueAndKeepsItsFrame) {
    const QRectF frame(0.25, 766.125, 800.5, 14.399999999999999);
    const Label label = makeLabel(frame);
    const QRectF kept = ViewGeometry::frame(label.get());
    EXPECT_EQ((std::array{kept.x(), kept.y(), kept.width(), kept.height()}),
              (std::array{frame.x(), frame.y(), frame.width(), frame.height()}));
    EXPECT_EQ(label->alignment(), Qt::AlignCenter);
    EXPECT_EQ(label->linktextColor(), QColor::fromRgbF(0, 0, 1, 1));
    EXPECT_FALSE(label->underLine());
    EXPECT_TRUE(label->title().isNull());
    EXPECT_TRUE(label->url().isNull());
}

TEST(UILinkLabelTest, TitleShowsInTheLinkColourAndUnderline) {
    const QString title = QStringLiteral("Vell <b>Thermo</b> \u2103");
    const qsizetype n = title.size();
    const TextAttribute blue{TextAttribute::Kind::ForegroundColor, 0, n, QColor(0, 0, 255), 0};
    const TextAttribute line{TextAttribute::Kind::UnderlineStyle, 0, n, QColor(), 1};
    for (const bool underLine : {false, true}) {
        const Label label = makeLabel();
        label->setUnderLine(underLine);
        label->setTitle(title);
        ASSERT_TRUE(label->attributedText().has_value());
        EXPECT_EQ(label->attributedText()->text, title);
        const QList<TextAttribute>& attributes = label->attributedText()->attributes;
        EXPECT_EQ(attributes.size(), underLine ? 2 : 1);
        EXPECT_TRUE(attributes.contains(blue));
        EXPECT_EQ(attributes.contains(line), underLine);
        // Markup in a title is shown as the characters it is made of.
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), title);
        EXPECT_EQ(shownColor(*label), QColor(0, 0, 255));
        EXPECT_EQ(label->font().underline(), underLine);

        // The styled form of another text leaves the label as it is.
        EXPECT_EQ(label->setAttributedString(QStringLiteral("xy")).text, QStringLiteral("xy"));
        EXPECT_EQ(label->text(), title);
        EXPECT_EQ(label->attributedText()->text, title);

        // A new colour shows with the next title, not before.
        label->setLinktextColor(QColor(255, 0, 0));
        EXPECT_EQ(shownColor(*label), QColor(0, 0, 255));
        label->setTitle(QStringLiteral(""));
        EXPECT_EQ(label->text(), QString());
        EXPECT_EQ(label->attributedText()->text, QString());
        EXPECT_EQ(shownColor(*label), QColor(255, 0, 0));
    }
}

TEST(UILinkLabelTest, TitleWithEmptyUrlShowsAsPlainText) {
    const QString title = QStringLiteral("Plain <i>t</i>");
    for (const QString& url :
         {QStringLiteral("(null)"), QStringLiteral("<null>"), QStringLiteral(""), QString()}) {
        const Label label = makeLabel();
        label->setUrlWithTitle(title, url);
        EXPECT_EQ(label->url(), QStringLiteral(""));
        EXPECT_FALSE(label->url().isNull());
        EXPECT_EQ(label->title(), title);
        EXPECT_EQ(label->text(), title);
        EXPECT_FALSE(label->attributedText().has_value());
    }
    const Label label = makeLabel();
    label->setTitle(QStringLiteral("before"));
    // A usable url with an empty title keeps what shows.
    label->setUrlWithTitle(QStringLiteral("<null>"), QStringLiteral("https://example.org"));
    EXPECT_EQ(label->url(), QStringLiteral("https://example.org"));
    EXPECT_EQ(label->title(), QStringLiteral("before"));
    EXPECT_EQ(label->text(), QStringLiteral("before"));
    label->setUrlWithTitle(QString(), QString());
    EXPECT_EQ(label->text(), QString());
}

class TopActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        UrlOpener::setHandler([this](const QUrl& url) { opened.append(url); });
    }
    void TearDown() override { UrlOpener::setHandler({}); }
    QList<QUrl> opened;
};

TEST_F(TopActionTest, OpensOnlyWebMailAndPhoneLinks) {
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

TEST_F(TopActionTest, LeftClickOpens) {
    const Label label = makeLabel();
    label->setUrl(QStringLiteral("https://example.org/click"));
    label->show();
    auto click = [&](Qt::MouseButton button) {
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(10, 10), label->mapToGlobal(QPointF(10, 10)), button,
                              type == QEvent::MouseButtonPress ? button : Qt::NoButton, {});
            QCoreApplication::sendEvent(label.get(), &event);
        }
    };
    click(Qt::RightButton);
    EXPECT_TRUE(opened.isEmpty());
    click(Qt::LeftButton);
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/click"))});
}

}  // namespace

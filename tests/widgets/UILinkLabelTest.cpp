#include "widgets/UILinkLabel.h"

#include "widgets/ViewGeometry.h"

#include <gtest/gtest.h>

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

TEST(ValidatorTest, MatchesWholeStringsOnlyAndRefusesMegabytesAtOnce) {
    const std::map<QString, bool (*)(const QString&)> check{{"tel", UILinkLabel::checkTelNumber},
                                                            {"email", UILinkLabel::validateEmail},
                                                            {"url", UILinkLabel::checkURL}};
    forEachRow("validators.json", [&](const QJsonValue& row) {
        EXPECT_EQ(check.at(row[0].toString())(row[1].toString()), row[2].toBool());
    });
    const QString huge(1 << 20, '1');
    for (const auto& [name, valid] : check) {
        for (const QString& text :
             {huge, "http://" + QString("a.").repeated(1 << 19) + "b", "a@" + huge + ".com"})
            EXPECT_FALSE(valid(text)) << name.toStdString();
    }
}

TEST(UILinkLabelTest, TitleShowsAsTextInTheLinkColourAndUnderlineAtTheFrameGiven) {
    const QRectF frame(0.25, 766.125, 800.5, 14.399999999999999);  // kept to the bit
    EXPECT_EQ(exact(ViewGeometry::frame(makeLabel(frame).get())), exact(frame));
    const QString title = QStringLiteral("Vell <b>Thermo</b> \u2103");
    for (const bool underLine : {false, true}) {
        const Label label = makeLabel();
        label->setUnderLine(underLine);
        label->setTitle(title);
        ASSERT_TRUE(label->attributedText().has_value());
        EXPECT_EQ(label->attributedText()->text, title);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);  // markup shows as its characters
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
        EXPECT_EQ(shownColor(*label), QColor(255, 0, 0));
    }
}

TEST(UILinkLabelTest, TitleWithAnEmptyUrlShowsAsPlainText) {
    for (const char* value : {" (null)", "NULL", "null", " "})
        EXPECT_FALSE(UILinkLabel::isEmptyValue(value)) << value;
    for (const QString& url : {QString("(null)"), QString("<null>"), QString(""), QString()}) {
        EXPECT_TRUE(UILinkLabel::isEmptyValue(url));
        const Label label = makeLabel();
        label->setUrlWithTitle("Plain <i>t</i>", url);
        EXPECT_TRUE(label->url() == "" && !label->url().isNull());
        EXPECT_EQ(label->text(), "Plain <i>t</i>");
        EXPECT_FALSE(label->attributedText().has_value());
    }
    // A usable url with an empty title keeps what shows.
    const Label label = makeLabel();
    label->setTitle("before");
    label->setUrlWithTitle("<null>", "https://example.org");
    EXPECT_EQ(label->url(), "https://example.org");
    EXPECT_EQ(label->text(), "before");
}

TEST(UILinkLabelTest, OpensOnlyWebMailAndPhoneLinksAndLogsTheRest) {
    OpenedUrls opened;
    const QString many(1 << 20, 'a');
    const auto click = [&](const QString& url) {
        opened.clear();
        const LogCapture log;
        const Label label = makeLabel();
        if (!url.isNull()) label->setUrl(url);
        label->topAction();
        return log.lines();
    };
    forEachRow("links.json", [&](const QJsonValue& row) {
        const QStringList log = click(row[0].toString());
        EXPECT_EQ(opened, row[1].toBool() ? QList<QUrl>{QUrl(row[0].toString())} : QList<QUrl>());
        EXPECT_EQ(log.size(), row[1].toBool() ? 0 : 1);
    });
    for (const QString& url : {"file:///" + many, "https://example.org/" + many}) {
        const QStringList log = click(url);
        EXPECT_TRUE(opened.isEmpty() && log.size() == 1 && log[0].size() < 400);
    }
    // A url never set and the empty one of a plain label open nothing and log nothing.
    EXPECT_TRUE(click(QString()).isEmpty() && click("").isEmpty() && opened.isEmpty());
}

}  // namespace

#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/ImageView.h"
#include "skin/SkinStore.h"
#include "skin/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"
#include "widgets/ViewGeometry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>

#include <gtest/gtest.h>

#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

std::array<double, 4> exact(const QRectF& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

QByteArray labelsPlist(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>" + items +
           "</array></plist>\n";
}

const QByteArray kTwoLabels = labelsPlist(
    "<dict><key>TITLE</key><string>Visit</string><key>URL</key>"
    "<string>https://example.org/v</string><key>FONTSIZE</key><integer>20</integer>"
    "<key>BOTTOM</key><integer>10</integer><key>COLOR_RED</key><integer>255</integer>"
    "<key>COLOR_ALPHA</key><integer>50</integer></dict>"
    "<dict><key>TITLE</key><string>Second &lt;b&gt;</string><key>FONTSIZE</key><real>10</real>"
    "<key>BOTTOM</key><string>6</string><key>COLOR_BLUE</key><integer>51</integer></dict>");

class SkinLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        Device::setUserInterfaceIdiom(Device::Mac);
        ASSERT_TRUE(
            SkinStore::installIfMissing(Bundle::packagedSkinBundlePath(), home.installedBundle()));
    }

    // A skin of our own in the installed bundle: a small picture and, unless null, labels.plist.
    std::unique_ptr<UIBackGroundView> viewOfSkin(const QString& name, const QByteArray& labels) {
        const QString dir = home.installedBundle() + QLatin1Char('/') + name;
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        EXPECT_TRUE(QDir().mkpath(dir));
        EXPECT_TRUE(picture.save(dir + QStringLiteral("/background_Mac_Landscape.png")));
        QFile file(dir + QStringLiteral("/labels.plist"));
        if (!labels.isNull() && file.open(QIODevice::WriteOnly)) file.write(labels);
        return UIBackGroundView::initWithSkin(name);
    }

    static QList<UILinkLabel*> linkLabels(const QWidget& view) {
        return view.findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
    }

    TempHome home;
    const QRectF frame{0, 0, 800, 600};
};

TEST_F(SkinLayoutTest, OneLinkLabelPerEntryInFrontOfThePicture) {
    const auto view = viewOfSkin(QStringLiteral("custom"), kTwoLabels);
    ASSERT_NE(view, nullptr);
    const LogCapture log;
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
}

TEST_F(SkinLayoutTest, EachLayoutReplacesEveryLinkLabelAndNothingElse) {
    const auto view = viewOfSkin(QStringLiteral("custom"), kTwoLabels);
    ASSERT_NE(view, nullptr);
    view->setFrame(frame);
    const QList<UILinkLabel*> first = linkLabels(*view);
    const QPointer<UILinkLabel> old = first.value(0);
    const QPointer<UILinkLabel> foreign =
        UILinkLabel::initWithFrame(QRectF(1, 2, 3, 4), view.get());
    const QPointer<QLabel> plain = new QLabel(QStringLiteral("plain"), view.get());

    view->setFrame(frame);
    const QList<UILinkLabel*> second = linkLabels(*view);
    EXPECT_EQ(second.size(), first.size());
    for (UILinkLabel* label : second) EXPECT_FALSE(first.contains(label) || label == foreign);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_TRUE(foreign.isNull());
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(plain->parent(), view.get());
}

TEST_F(SkinLayoutTest, MissingOrEmptyLabelsFileGivesNoLabels) {
    const std::pair<QByteArray, QStringList> rows[] = {
        {QByteArray(), {QStringLiteral("labels file NOT found.")}},
        {labelsPlist(""), {}},
    };
    int n = 0;
    for (const auto& [labels, lines] : rows) {
        const auto view = viewOfSkin(QStringLiteral("skin%1").arg(++n), labels);
        ASSERT_NE(view, nullptr);
        const LogCapture log;
        view->setFrame(frame);
        EXPECT_EQ(log.lines(), lines);
        EXPECT_TRUE(linkLabels(*view).isEmpty());
    }
}

TEST_F(SkinLayoutTest, EditedFilesShowAtTheNextLayoutAndUnchangedOnesAreNotReadAgain) {
    const auto view = viewOfSkin(QStringLiteral("edited"), kTwoLabels);
    ASSERT_NE(view, nullptr);
    const QString dir = home.installedBundle() + QStringLiteral("/edited");
    const QString png = dir + QStringLiteral("/background_Mac_Landscape.png");
    view->setFrame(frame);
    const qint64 decoded = view->pictureView()->image().cacheKey();
    view->setFrame(frame);
    EXPECT_EQ(view->pictureView()->image().cacheKey(), decoded);  // same file, same picture

    // Written in place, then replaced by a rename: both show at once.
    QImage wider(12, 6, QImage::Format_RGB32);
    wider.fill(Qt::red);
    ASSERT_TRUE(wider.save(png));
    home.write(QStringLiteral("Documents/skin.bundle/edited/labels.plist"),
               labelsPlist("<dict><key>TITLE</key><string>Only one</string></dict>"));
    view->setFrame(frame);
    EXPECT_EQ(view->pictureView()->image().size(), QSize(12, 6));
    ASSERT_EQ(linkLabels(*view).size(), 1);
    EXPECT_EQ(linkLabels(*view)[0]->text(), QStringLiteral("Only one"));

    QImage taller(12, 9, QImage::Format_RGB32);
    taller.fill(Qt::blue);
    ASSERT_TRUE(taller.save(dir + QStringLiteral("/new.png")));
    ASSERT_TRUE(QFile::remove(png));
    ASSERT_TRUE(QFile::rename(dir + QStringLiteral("/new.png"), png));
    view->setFrame(frame);
    EXPECT_EQ(view->pictureView()->image().size(), QSize(12, 9));

    // Gone files are reported as before, and the last picture stays.
    ASSERT_TRUE(QFile::remove(png));
    ASSERT_TRUE(QFile::remove(dir + QStringLiteral("/labels.plist")));
    const LogCapture log;
    view->setFrame(frame);
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("(null) NOT exist."),
                                        QStringLiteral("labels file NOT found.")}));
    EXPECT_EQ(view->pictureView()->image().size(), QSize(12, 9));
    EXPECT_TRUE(linkLabels(*view).isEmpty());
}

}  // namespace

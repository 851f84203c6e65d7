#include "widgets/OrrinNavigationController.h"
#include "lumo/VellLumo.h"
#include "screen/ReadingRecord.h"
#include "screen/ViewController.h"
#include "skin/UIBackGroundView.h"
#include "widgets/ActivityIndicator.h"
#include "widgets/FitLabel.h"
#include "widgets/ViewGeometry.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <variant>

#include "support/FakeTransport.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/Wait.h"

namespace {

const QString kReading = QStringLiteral("23.45 \u2103   56.78%");
const QByteArray kRecord = "Temp:23.45 Hum:56.78";

// What the fake sensor sends: a status code or a record.
using SensorEvent = std::variant<qint64, QByteArray>;

// Carries events from the test to the fake sensor, and what the sensor's side saw. Every turn of
// a sensor's timer sends what the feed holds; an endless sensor also sends a new record on every
// turn, as fast as the screen takes them, with its link's number as the humidity.
struct Feed {
    void send(const QList<SensorEvent>& events) {
        std::lock_guard lock(mutex);
        queue += events;
    }
    void step(LinkSink& sink, bool endless, int link) {
        QList<SensorEvent> events;
        {
            std::lock_guard lock(mutex);
            events = std::exchange(queue, {});
        }
        for (const SensorEvent& event : events) {
            if (const qint64* code = std::get_if<qint64>(&event))
                sink.status(*code);
            else
                sink.result(std::get<QByteArray>(event));
        }
        if (!endless) return;
        const QString record = QStringLiteral("Temp:%1 Hum:%2")
                                   .arg(++records % 100000, 5, 10, QLatin1Char('0'))
                                   .arg(link, 5, 10, QLatin1Char('0'));
        inHop = true;
        sink.result(record.toLatin1());
        inHop = false;
    }

    std::mutex mutex;
    QList<SensorEvent> queue;
    std::atomic<int> links{0};
    std::atomic<int> records{0};     // sent by endless sensors
    std::atomic<bool> inHop{false};  // an endless sensor's record is on its way to the screen
};

// Runs what the main thread still has queued, such as hops a stopped link left behind.
void drainEvents() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

class ViewControllerTest : public ::testing::Test {
protected:
    // The screen as the window has it: pushed into a container, which loads its views.
    ViewController* load(bool endless = false) {
        FakeTransportScope::use([feed = feed, endless](FakeTransport& self, const LinkSettings&,
                                                       LinkSink& sink) {
            auto* timer = new QTimer(&self);
            QObject::connect(
                timer, &QTimer::timeout, &self,
                [feed, endless, &sink, link = ++feed->links] { feed->step(sink, endless, link); });
            timer->start(endless ? 0 : 1);
        });
        navigation = std::make_unique<OrrinNavigationController>();
        auto* screen = new ViewController;
        navigation->pushViewController(screen);
        QObject::connect(screen, &ViewController::readingShown, screen,
                         [this](const QString& text) {
                             shown.append(text);
                             if (QThread::currentThread() != qApp->thread()) shownOffMain = true;
                         });
        return screen;
    }

    FakeTransportScope transports;
    TempHome home;
    LogCapture log;
    std::shared_ptr<Feed> feed = std::make_shared<Feed>();
    QStringList shown;
    bool shownOffMain = false;
    std::unique_ptr<OrrinNavigationController> navigation;
};

TEST_F(ViewControllerTest, ViewsSitOverTheQirSkinAndStayCentredAtTheirOwnSize) {
    ViewController* screen = load();
    FitLabel* label = screen->readingLabel();
    ActivityIndicator* spinner = screen->activityIndicator();
    const auto expectCentredIn = [&](QSizeF size) {
        const QPointF middle(size.width() / 2, size.height() / 2);
        EXPECT_EQ(ViewGeometry::frame(label), QRectF(middle - QPointF(160, 20), QSizeF(320, 40)));
        EXPECT_EQ(ViewGeometry::frame(spinner), QRectF(middle - QPointF(60, 60), QSizeF(120, 120)));
    };
    // Loaded: still, with no link yet.
    EXPECT_TRUE(spinner->isHidden() && !spinner->isAnimating());
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    ASSERT_NE(screen->backgroundView(), nullptr);
    EXPECT_EQ(screen->backgroundView()->currentSkin(), QStringLiteral("qir"));
    EXPECT_FALSE(screen->hasSensorLink());

    // Appearing centres the views, fills the background, spins and links.
    screen->resize(1024, 768);
    screen->viewDidAppear(false);
    expectCentredIn(QSizeF(1024, 768));
    EXPECT_EQ(screen->backgroundView()->frame(), QRectF(0, 0, 1024, 768));
    EXPECT_TRUE(spinner->isAnimating() && !spinner->isHidden());
    EXPECT_TRUE(screen->hasSensorLink());

    for (const QSizeF size : {QSizeF(800, 600), QSizeF(320, 480), QSizeF(1024.5, 767)}) {
        screen->viewWillTransitionToSize(size);
        expectCentredIn(size);
    }
    // Every rotation question is answered yes, and places the views again.
    for (const QSize size : {QSize(600, 900), QSize(600, 900), QSize(2000, 300)}) {
        screen->resize(size);
        EXPECT_TRUE(screen->shouldAutorotate());
        expectCentredIn(size);
        EXPECT_EQ(screen->backgroundView()->frame(), QRectF(QPointF(0, 0), QSizeF(size)));
    }
    // Nor does any text resize the label, on screen.
    navigation->show();
    for (const QString& text :
         {QString(500, QLatin1Char('W')), QStringLiteral("two\nlines"), QString()}) {
        label->setText(text);
        drainEvents();
        EXPECT_EQ(ViewGeometry::frame(label).size(), QSizeF(320, 40));
    }
}

TEST_F(ViewControllerTest, OneLinkAtATimeAcrossVisitsToTheSystem) {
    ViewController* screen = load();
    feed->send({qint64{1}, kRecord});
    screen->checkTempture();
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 1; }));

    screen->checkTempture();  // clears the label and spins again on the same link
    EXPECT_TRUE(screen->readingLabel()->text().isEmpty());
    EXPECT_TRUE(screen->activityIndicator()->isAnimating());
    feed->send({kRecord});
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 2; }));
    EXPECT_EQ(feed->links, 1);

    screen->gotoSystem();
    EXPECT_FALSE(screen->hasSensorLink());
    screen->gotoSystem();
    screen->backFromSystem();
    EXPECT_TRUE(screen->hasSensorLink());
    feed->send({qint64{1}});
    ASSERT_TRUE(waitUntil([&] { return log.lines().count(QStringLiteral("scanning...")) == 2; }));
    EXPECT_EQ(feed->links, 2);
}

struct Delivery {
    const char* name;
    QList<SensorEvent> events;
    QStringList logged;
    QString label;
};

class DeliveryTest : public ViewControllerTest, public ::testing::WithParamInterface<Delivery> {};

TEST_P(DeliveryTest, ShowsAndLogsWhatTheSensorSends) {
    ViewController* screen = load();
    screen->checkTempture();
    feed->send(GetParam().events);
    ASSERT_TRUE(waitUntil([&] { return log.lines().size() >= GetParam().logged.size(); }));
    drainEvents();
    EXPECT_EQ(log.lines(), GetParam().logged);
    EXPECT_EQ(screen->readingLabel()->text(), GetParam().label);
    EXPECT_EQ(shown, GetParam().label.isEmpty() ? QStringList() : QStringList{GetParam().label});
    // Any record, good or damaged, stops the spinner that checking started.
    const bool anyRecord = std::any_of(GetParam().events.begin(), GetParam().events.end(),
                                       [](const SensorEvent& e) { return e.index() == 1; });
    EXPECT_EQ(screen->activityIndicator()->isAnimating(), !anyRecord);
    // Records come on the link's thread and are shown on the main thread.
    EXPECT_FALSE(shownOffMain);
}

const QByteArray kMarkup = "Temp:<b>x Hum: </b>z";
const QString kMarkupReading = QStringLiteral("<b>x  \u2103   </b>z%");
const QByteArray kShort = "Temp:23.45 Hum:56.7";
const QByteArray kNonAscii = "Temp:23.45 Hum:56.7\xc3\xa9";

INSTANTIATE_TEST_SUITE_P(
    Sensor, DeliveryTest,
    ::testing::Values(
        // Only the four known codes are logged; no status stops the spinner.
        Delivery{"StatusCodes",
                 {qint64{0}, qint64{1}, qint64{2}, qint64{3}, qint64{12}, qint64{13}, qint64{14},
                  qint64{15}, qint64{-1}, std::numeric_limits<qint64>::min(),
                  std::numeric_limits<qint64>::max()},
                 {QStringLiteral("scanning..."), QStringLiteral("connecting ..."),
                  QStringLiteral("Found target."), QStringLiteral("tempture disconnected.")},
                 QString()},
        Delivery{
            "InOrderAcrossThreads",
            {qint64{1}, kRecord, qint64{14}},
            {QStringLiteral("scanning..."), kReading, QStringLiteral("tempture disconnected.")},
            kReading},
        // A damaged record is logged, stops the spinner and leaves the last reading, markup and
        // all, on the label.
        Delivery{"DamagedFirst", {kShort}, {ReadingRecord::rejectionLine(kShort)}, {}},
        Delivery{"DamagedAfterAReading",
                 {kMarkup, kNonAscii, QByteArray()},
                 {kMarkupReading, ReadingRecord::rejectionLine(kNonAscii),
                  ReadingRecord::rejectionLine({})},
                 kMarkupReading}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewControllerTest, StoppedLinkShowsOnlyTheRecordAlreadyOnItsWay) {
    ViewController* screen = load(true);
    for (int round = 0; round < 6; ++round) {
        screen->backFromSystem();
        ASSERT_TRUE(waitUntil([&] { return shown.size() >= 3; }));
        // Stop while a record waits in its hop for the main thread.
        while (!feed->inHop) QThread::yieldCurrentThread();
        QThread::msleep(1);
        screen->gotoSystem();
        const QString stopped = QStringLiteral("%1%").arg(feed->links, 5, 10, QLatin1Char('0'));
        shown.clear();
        // Going back at once makes a new link; the old one must have stopped for good.
        const bool relink = round % 2 == 1;
        if (relink) screen->backFromSystem();
        drainEvents();
        const auto fromStopped = std::count_if(
            shown.cbegin(), shown.cend(), [&](const QString& t) { return t.endsWith(stopped); });
        EXPECT_LE(fromStopped, 1) << round;
        if (!relink) {
            EXPECT_LE(shown.size(), 1) << round;
            EXPECT_EQ(screen->readingLabel()->text(),
                      shown.value(0, screen->readingLabel()->text()));
        }
        screen->gotoSystem();
        shown.clear();
    }
}

TEST_F(ViewControllerTest, ScreenCanGoWhileItsLinkDelivers) {
    ViewController* screen = load(true);
    screen->checkTempture();
    ASSERT_TRUE(waitUntil([&] { return shown.size() >= 3; }));
    while (!feed->inHop) QThread::yieldCurrentThread();
    delete screen;
    const qsizetype logged = log.lines().size();
    drainEvents();
    EXPECT_EQ(log.lines().size(), logged);
    EXPECT_TRUE(navigation->viewControllers().isEmpty());
}

}  // namespace

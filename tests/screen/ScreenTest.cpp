#include "screen/ViewController.h"
#include "skinview/UIBackGroundView.h"
#include "widgets/ActivityIndicator.h"
#include "widgets/FitLabel.h"
#include "widgets/OrrinNavigationController.h"
#include "widgets/ViewGeometry.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QTimer>

#include <random>

#include "support/FakeTransport.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/Table.h"
#include "support/TempHome.h"
#include "support/Wait.h"

// The screen as the window has it, in a container, in a fresh home, with the readings it shows.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        navigation.pushViewController(screen);
        QObject::connect(screen, &ViewController::readingShown, [this](const QString& text) {
            shown.append(text);
            shownOffMain = shownOffMain || QThread::currentThread() != qApp->thread();
        });
        QObject::connect(screen, &ViewController::linkStatusChanged, [this] { ++statuses; });
    }

    TempHome home;
    LogCapture log;
    FakeTransportScope transports;
    OrrinNavigationController navigation;
    ViewController* screen = new ViewController;
    QStringList shown;
    bool shownOffMain = false;
    qsizetype statuses = 0;  // delivered to the screen
};

// The label and the indicator keep their first frames until the screen appears, then sit in the
// middle of the root view, and of each new size, at their own sizes; the background fills it.
TEST_F(ScreenTest, PlacesItsViewsAtTheirExactFrames) {
    const auto frames = [&] {
        return QList<QRectF>{ViewGeometry::frame(screen->readingLabel()),
                             ViewGeometry::frame(screen->activityIndicator()),
                             screen->backgroundView()->frame()};
    };
    EXPECT_EQ(frames().mid(0, 2), (QList<QRectF>{{0, 0, 320, 40}, {0, 0, 120, 120}}));
    navigation.resize(1024, 768);
    navigation.show();
    EXPECT_EQ(frames(),
              (QList<QRectF>{{352, 364, 320, 40}, {452, 324, 120, 120}, {0, 0, 1024, 768}}));
    screen->viewWillTransitionToSize({800, 600});
    EXPECT_EQ(frames().mid(0, 2), (QList<QRectF>{{240, 280, 320, 40}, {340, 240, 120, 120}}));
    screen->gotoSystem();
}

// The events a link sends as it starts, the log lines and the label's text; any record, good or
// damaged, stops the spinner.
class ScreenDeliveryRows : public ScreenTest, public ::testing::WithParamInterface<TableRow> {};
TEST_P(ScreenDeliveryRows, ShowOnTheMainThreadAndLogWhatTheSensorSends) {
    const QJsonValue& row = GetParam().value;
    const QJsonArray events = row[0].toArray();
    VellLumo::setTransportFactory([events] {
        return std::make_unique<FakeTransport>([events](auto&, auto&, LinkSink& sink) {
            for (const QJsonValue& e : events)
                e.isString() ? sink.result(bytes(e)) : sink.status(e.toInteger());
        });
    });
    log.clear();
    shown.clear();
    statuses = 0;
    screen->checkTempture();
    const auto sent =
        std::count_if(events.begin(), events.end(), [](auto e) { return !e.isString(); });
    ASSERT_TRUE(waitUntil(
        [&] { return log.lines().size() >= strings(row[1]).size() && statuses >= sent; }));
    waitUntil([] { return false; }, true, 20);
    screen->gotoSystem();
    EXPECT_EQ(log.lines(), strings(row[1]));
    EXPECT_EQ(screen->readingLabel()->text(), row[2].toString());
    EXPECT_EQ(shown.join(""), row[2].toString());
    const QLabel* words = screen->waitingWordsLabel();
    EXPECT_EQ(words->isHidden() ? "" : words->text(), row[3].toString());
    EXPECT_EQ(screen->activityIndicator()->isAnimating(),
              std::none_of(events.begin(), events.end(), [](auto e) { return e.isString(); }));
    EXPECT_FALSE(shownOffMain);
}
VELL_TABLE(ScreenDeliveryRows, "screen_delivery.json");

// Links send records numbered across links as fast as the screen takes them, so in order.
TEST_F(ScreenTest, LeavingAndComingBackWhileRecordsStreamKeepsOrderAndStopsEveryLink) {
    static std::atomic<qint64> sent{0};
    const FakeTransportScope stream([](FakeTransport& self, auto&, LinkSink& sink) {
        auto* timer = new QTimer(&self);
        QObject::connect(timer, &QTimer::timeout, [&sink] {
            const QByteArray n = QByteArray::number(++sent).rightJustified(10, '0');
            sink.result("Temp:" + n.left(5) + " Hum:" + n.mid(5));
        });
        timer->start(0);
    });
    std::mt19937 random(7);
    int late = 0;
    for (int cycle = 0; cycle < 5000; ++cycle) {
        screen->backFromSystem();
        QElapsedTimer stay;
        stay.start();
        for (const int ns = std::uniform_int_distribution(0, 2'000'000)(random);
             stay.nsecsElapsed() < ns;)
            QCoreApplication::processEvents();
        screen->gotoSystem();
        // Only a record already on its way when the link stopped may still show.
        const qsizetype before = shown.size();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        late += shown.size() - before > 1;
    }
    EXPECT_EQ(late, 0);
    EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end(), std::greater_equal()), shown.end());
    // The screen goes while its link delivers; the log, which outlives it, shows nothing late.
    screen->backFromSystem();
    for (const qsizetype target = shown.size() + 3; shown.size() < target;)
        QCoreApplication::processEvents();
    const qsizetype logged = log.lines().size();
    delete screen;
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(log.lines().size(), logged);
}

#include "widgets/TapRecognizer.h"

#include "skin/SkinChooser.h"
#include "skin/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "support/OpenedUrls.h"
#include "support/QtPrinters.h"
#include "support/ShownSkinView.h"

namespace {

// ---- TapCounter: five presses, 400 ms apart at most, within 8 points of the first ----

struct Press {
    QPointF at;
    qint64 ms;
};

// n presses at one spot, step ms apart, the first at start.
std::vector<Press> run(int n, qint64 start = 1000, qint64 step = 100, QPointF at = {50, 50}) {
    std::vector<Press> presses;
    for (int i = 0; i < n; ++i) presses.push_back({at, start + i * step});
    return presses;
}

std::vector<Press> operator+(std::vector<Press> a, const std::vector<Press>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(TapCounterTest, FiresOnThePressThatCompletesFive) {
    const struct {
        const char* name;
        std::vector<Press> presses;
        std::vector<int> fires;  // indexes of the presses that complete a gesture
    } rows[] = {
        {"five quick", run(5), {4}},
        {"ten quick", run(10), {4, 9}},
        {"gap of exactly the interval", run(5, 1000, 400), {4}},
        // After a pause the count starts again with the first press after it.
        {"four, pause, five", run(4) + run(5, 1701), {8}},
        // Slop is measured from the first press, so a slow drift adds up.
        {"drift away from the first",
         {{{0, 0}, 0}, {{3, 0}, 100}, {{6, 0}, 200}, {{9, 0}, 300}, {{12, 0}, 400}},
         {}},
        {"within slop diagonally", run(1, 0, 0, {0, 0}) + run(4, 100, 100, {5.6, 5.6}), {4}},
        // The far press starts a new count of its own.
        {"far press restarts", run(3) + run(5, 1300, 100, {60, 50}), {7}},
        {"time going backwards restarts", run(3, 1000) + run(5, 900), {7}},
    };
    for (const auto& row : rows) {
        TapCounter counter(5, 400, 8);
        std::vector<int> fired;
        for (size_t i = 0; i < row.presses.size(); ++i)
            if (counter.press(row.presses[i].at, row.presses[i].ms))
                fired.push_back(static_cast<int>(i));
        EXPECT_EQ(fired, row.fires) << row.name;
    }
}

// ---- Through the widget, as the window system delivers clicks ----

class TapOnViewTest : public ShownSkinView {
protected:
    void SetUp() override {
        clock += 10'000;  // far from the last test's clicks, or the first would be a double
        ShownSkinView::SetUp();
        if (HasFatalFailure()) return;
        for (UILinkLabel* label : view->findChildren<UILinkLabel*>())
            if (label->url().startsWith(QLatin1String("https:"))) link = label;
        ASSERT_NE(link, nullptr);
    }

    // A press and release at a point of the window, ms after the last click. QTest spaces its
    // clicks wider than a double-click apart, so they go in through the window system with
    // times of our own: hit-testing and double-click detection are the application's.
    void click(QPoint at, int ms, Qt::MouseButton button = Qt::LeftButton) {
        clock += ms;
        QWindow* handle = window.windowHandle();
        const QPointF global = handle->mapToGlobal(at);
        qt_handleMouseEvent(handle, at, global, button, button, QEvent::MouseButtonPress, {},
                            clock);
        qt_handleMouseEvent(handle, at, global, {}, button, QEvent::MouseButtonRelease, {},
                            clock + 20);
        QCoreApplication::processEvents();
    }

    qsizetype choosers() const { return window.findChildren<SkinChooser*>().size(); }

    static int clock;  // shared: the application remembers the last press across tests
    UILinkLabel* link = nullptr;
    OpenedUrls opened;
};
int TapOnViewTest::clock = 1'000'000;

struct Clicks {
    const char* name;
    // b: the picture, l: the web link label, r and R: the right button on either, ' ': a pause
    const char* script;
    qsizetype choosers;
    friend void PrintTo(const Clicks& c, std::ostream* os) { *os << c.script; }
};

class TapScriptTest : public TapOnViewTest, public ::testing::WithParamInterface<Clicks> {};

TEST_P(TapScriptTest, OpensTheChooserOnlyForFiveClicksOnThePicture) {
    const QPoint picture(400, 200);
    const QPoint onLink = link->mapTo(&window, link->rect().center());
    int links = 0;
    for (const char* c = GetParam().script; *c != '\0'; ++c) {
        if (*c == ' ') clock += 1000;
        if (*c == 'b') click(picture, 120);
        if (*c == 'r') click(picture, 120, Qt::RightButton);
        if (*c == 'R') click(onLink, 120, Qt::RightButton);  // opens nothing
        if (*c == 'l') {
            click(onLink, 120);
            ++links;
        }
    }
    EXPECT_EQ(choosers(), GetParam().choosers);
    EXPECT_EQ(opened, QList<QUrl>(links, QUrl(link->url())));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, TapScriptTest,
    ::testing::Values(Clicks{"Five", "bbbbb", 1},
                      // Once the chooser is up the window takes no clicks until it closes.
                      Clicks{"Ten", "bbbbbbbbbb", 1}, Clicks{"PauseRestarts", "bbbb bbbb", 0},
                      Clicks{"RightButtonRestarts", "bbrbbb", 0},
                      // Clicks on a link never reach the picture: they neither count nor break.
                      Clicks{"LinksDoNotCount", "bbbRll", 0}, Clicks{"LinksBetween", "bbbllbb", 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

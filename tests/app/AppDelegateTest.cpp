#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "widgets/OrrinNavigationController.h"
#include "screen/ViewController.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/FakeTransport.h"

namespace {

// A temperature screen without its views, so no skin is needed.
class BareScreen : public ViewController {
public:
    void viewDidLoad() override {}
};

struct Window {
    const char* name;
    bool window;
    bool root;
    std::vector<bool> stack;  // bottom first: true for a screen, false for a plain controller
    int forwardedTo;          // the index of the screen the delegate talks to, or -1
};

class LifecycleTest : public ::testing::TestWithParam<Window> {
protected:
    // Whether each controller in the stack is a screen holding a link.
    std::vector<bool> links() const {
        std::vector<bool> held;
        for (const ViewController* screen : screens)
            held.push_back(screen && screen->hasSensorLink());
        return held;
    }
    // Screens hold a link when they are the forwarded one and forwarded holds it, or else not.
    std::vector<bool> expected(bool forwardedHolds) const {
        std::vector<bool> held;
        for (std::size_t i = 0; i < screens.size(); ++i)
            held.push_back(screens[i] &&
                           (static_cast<int>(i) == GetParam().forwardedTo) == forwardedHolds);
        return held;
    }

    FakeTransportScope quietLinks;  // enough to see whether a screen holds one
    AppDelegate delegate;
    std::vector<ViewController*> screens;
};

TEST_P(LifecycleTest, ReachesOnlyTheFirstControllerWhenItIsTheScreen) {
    if (GetParam().window) {
        auto window = std::make_unique<MainWindow>();
        if (GetParam().root) {
            auto* root = new OrrinNavigationController(window.get());
            window->setCentralWidget(root);
            for (bool isScreen : GetParam().stack) {
                ViewController* screen = isScreen ? new BareScreen : nullptr;
                screens.push_back(screen);
                root->pushViewController(screen ? screen : new UIViewController);
            }
        }
        delegate.setWindow(std::move(window));
    }
    EXPECT_TRUE(delegate.didFinishLaunchingWithOptions());

    for (ViewController* screen : screens)
        if (screen) screen->checkTempture();
    delegate.applicationWillResignActive();
    EXPECT_EQ(links(), expected(false));

    for (ViewController* screen : screens)
        if (screen) screen->gotoSystem();
    delegate.applicationWillEnterForeground();
    EXPECT_EQ(links(), expected(true));

    // Leaving twice and coming back twice is as good as once.
    delegate.applicationWillResignActive();
    delegate.applicationWillResignActive();
    delegate.applicationWillEnterForeground();
    delegate.applicationWillEnterForeground();
    EXPECT_EQ(links(), expected(true));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, LifecycleTest,
    ::testing::Values(Window{"NoWindow", false, false, {}, -1},
                      Window{"NoRootContainer", true, false, {}, -1},
                      Window{"EmptyStack", true, true, {}, -1},
                      Window{"FirstIsNotAScreen", true, true, {false, true}, -1},
                      Window{"FirstOfTwoScreens", true, true, {true, true}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

class Rotating : public UIViewController {
public:
    explicit Rotating(bool answer) : answer(answer) {}
    bool shouldAutorotate() override { return answer; }

private:
    bool answer;
};

TEST(OrrinNavigationControllerTest, BottomControllerAnswersTheRotationQuestion) {
    const struct {
        std::vector<bool> answers;  // bottom first
        bool expected;
    } cases[] = {{{}, false}, {{false, true, true}, false}, {{true, false, false}, true}};
    for (const auto& c : cases) {
        OrrinNavigationController navigation;
        for (bool answer : c.answers) navigation.pushViewController(new Rotating(answer));
        EXPECT_EQ(navigation.shouldAutorotate(), c.expected) << c.answers.size();
    }
}

}  // namespace

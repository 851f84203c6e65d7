#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "app/OrrinNavigationController.h"
#include "screen/ViewController.h"

#include <gtest/gtest.h>

#include "support/FakeTransport.h"

namespace {

// A temperature screen without its views, so no skin is needed.
class BareScreen : public ViewController {
public:
    void viewDidLoad() override {}
};

// Leaving and coming back, however often, stop and restart the sensor link of the window's first
// controller when that is the screen, and of no other.
TEST(AppDelegateTest, LeavingAndComingBackReachOnlyTheFirstControllerWhenItIsTheScreen) {
    const FakeTransportScope quietLinks;
    const struct {
        bool window, root;
        std::vector<bool> stack;  // bottom first: a screen, or a plain controller
        int forwarded;            // the screen the delegate reaches
    } cases[] = {{false, false, {}, -1},
                 {true, false, {}, -1},
                 {true, true, {}, -1},
                 {true, true, {false, true}, -1},
                 {true, true, {true, true}, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stack.size());
        AppDelegate delegate;
        std::vector<ViewController*> screens;
        if (c.window) {
            auto window = std::make_unique<MainWindow>();
            auto* root = new OrrinNavigationController(window.get());
            if (c.root) window->setCentralWidget(root);
            for (const bool isScreen : c.stack) {
                screens.push_back(isScreen ? new BareScreen : nullptr);
                root->pushViewController(screens.back() ? screens.back() : new UIViewController);
            }
            delegate.setWindow(std::move(window));
        }
        EXPECT_TRUE(delegate.didFinishLaunchingWithOptions());
        const auto expectLinks = [&](bool forwardedHolds) {
            for (std::size_t i = 0; i < screens.size(); ++i)
                EXPECT_EQ(screens[i] && screens[i]->hasSensorLink(),
                          screens[i] && (static_cast<int>(i) == c.forwarded) == forwardedHolds);
        };
        for (ViewController* screen : screens)
            if (screen != nullptr) screen->checkTempture();
        delegate.applicationWillResignActive();
        delegate.applicationWillResignActive();
        expectLinks(false);
        for (ViewController* screen : screens)
            if (screen != nullptr) screen->gotoSystem();
        delegate.applicationWillEnterForeground();
        delegate.applicationWillEnterForeground();
        expectLinks(true);
    }
}

}  // namespace

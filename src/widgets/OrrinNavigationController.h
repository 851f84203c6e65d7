#pragma once

#include "widgets/UIViewController.h"

#include <QList>
#include <QPointer>

// The window's root container: a stack of controllers of which the top one shows, filling it.
// The window's rotation question is answered by the first (bottom) controller of the stack.
class OrrinNavigationController : public UIViewController {
    Q_OBJECT
public:
    explicit OrrinNavigationController(QWidget* parent = nullptr);

    // Takes ownership; the controller's view loads now, and it appears once the window shows.
    void pushViewController(UIViewController* controller);
    QList<UIViewController*> viewControllers() const;

    void viewDidLoad() override;
    bool shouldAutorotate() override;

    // Kept for the design's sake: this container draws no navigation bar either way.
    void setNavigationBarHidden(bool hidden) { navigationBarHidden = hidden; }
    bool isNavigationBarHidden() const { return navigationBarHidden; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void appearTop();

    QList<QPointer<UIViewController>> stack;
    QPointer<UIViewController> appeared;
    bool navigationBarHidden = false;
};

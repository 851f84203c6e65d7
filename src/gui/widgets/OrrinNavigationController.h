#pragma once

#include "widgets/UIViewController.h"

#include <QList>
#include <QPointer>

// In Qt terms: the main window's central QWidget, a stack of screens of which the top one shows.
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
    // The window has no navigation bar to show; a screen may ask for none all the same.
    void setNavigationBarHidden(bool hidden) { Q_UNUSED(hidden); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void appearTop();

    QList<QPointer<UIViewController>> stack;
    QPointer<UIViewController> appeared;
};

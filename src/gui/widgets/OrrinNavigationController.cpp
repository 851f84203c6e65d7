#include "widgets/OrrinNavigationController.h"

#include <QResizeEvent>
#include <QTimer>

OrrinNavigationController::OrrinNavigationController(QWidget* parent) : UIViewController(parent) {}

void OrrinNavigationController::viewDidLoad() {
    UIViewController::viewDidLoad();
}

bool OrrinNavigationController::shouldAutorotate() {
    const QList<UIViewController*> controllers = viewControllers();
    return !controllers.isEmpty() && controllers.first()->shouldAutorotate();
}

QList<UIViewController*> OrrinNavigationController::viewControllers() const {
    QList<UIViewController*> list;
    for (const QPointer<UIViewController>& c : stack)
        if (c) list.append(c.data());
    return list;
}

void OrrinNavigationController::pushViewController(UIViewController* controller) {
    if (controller == nullptr) return;
    for (const QPointer<UIViewController>& c : stack)
        if (c) c->hide();
    controller->setParent(this);
    controller->setGeometry(rect());
    stack.append(controller);
    controller->loadViewIfNeeded();
    // The window keeps room for every screen it holds.
    setMinimumSize(minimumSize().expandedTo(controller->minimumSize()));
    controller->show();
    if (isVisible()) QTimer::singleShot(0, this, &OrrinNavigationController::appearTop);
}

void OrrinNavigationController::resizeEvent(QResizeEvent* event) {
    UIViewController::resizeEvent(event);
    for (UIViewController* c : viewControllers()) {
        c->viewWillTransitionToSize(QSizeF(event->size()));
        c->setGeometry(QRect(QPoint(0, 0), event->size()));
    }
}

void OrrinNavigationController::showEvent(QShowEvent* event) {
    UIViewController::showEvent(event);
    // After the window has been laid out and shown, as a screen "has appeared".
    QTimer::singleShot(0, this, &OrrinNavigationController::appearTop);
}

void OrrinNavigationController::appearTop() {
    const QList<UIViewController*> controllers = viewControllers();
    if (controllers.isEmpty() || !isVisible() || appeared == controllers.last()) return;
    UIViewController* top = controllers.last();
    appeared = top;
    top->viewDidAppear(false);
}

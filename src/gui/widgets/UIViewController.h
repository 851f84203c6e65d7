#pragma once

#include <QSizeF>
#include <QWidget>

class OrrinNavigationController;

// In Qt terms: a QWidget with the load, appear, rotate and resize calls a screen expects.
// A screen's controller and its root view in one widget. The container that holds it delivers
// the lifecycle calls: load once, appear, rotation questions and size changes.
class UIViewController : public QWidget {
    Q_OBJECT
public:
    explicit UIViewController(QWidget* parent = nullptr) : QWidget(parent) {}

    // Runs viewDidLoad the first time only.
    void loadViewIfNeeded();
    bool isViewLoaded() const { return loaded; }

    virtual void viewDidLoad() {}
    virtual void viewDidAppear(bool animated) { Q_UNUSED(animated); }
    virtual bool shouldAutorotate() { return true; }
    // Called before the root view takes its new size.
    virtual void viewWillTransitionToSize(const QSizeF& size) { Q_UNUSED(size); }

    OrrinNavigationController* navigationController() const;

private:
    bool loaded = false;
};

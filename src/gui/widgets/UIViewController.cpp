#include "widgets/UIViewController.h"

#include "widgets/OrrinNavigationController.h"

void UIViewController::loadViewIfNeeded() {
    if (loaded) return;
    loaded = true;
    viewDidLoad();
}

OrrinNavigationController* UIViewController::navigationController() const {
    return qobject_cast<OrrinNavigationController*>(parentWidget());
}

#include "widgets/UIViewController.h"

#include "app/OrrinNavigationController.h"

void UIViewController::loadViewIfNeeded() {
    if (loaded) return;
    loaded = true;
    viewDidLoad();
}

OrrinNavigationController* UIViewController::navigationController() const {
    return qobject_cast<OrrinNavigationController*>(parentWidget());
}

#include "app/MainWindow.h"

#include "app/OrrinNavigationController.h"

OrrinNavigationController* MainWindow::rootViewController() const {
    return qobject_cast<OrrinNavigationController*>(centralWidget());
}

#include "shell/MainWindow.h"

#include "widgets/OrrinNavigationController.h"

OrrinNavigationController* MainWindow::rootViewController() const {
    return qobject_cast<OrrinNavigationController*>(centralWidget());
}

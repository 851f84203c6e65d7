#include "AppRig.h"

#include "BenchFixture.h"
#include "screen/ViewController.h"
#include "sensor/VellLumo.h"
#include "shell/MainWindow.h"
#include "skinview/UIBackGroundView.h"
#include "widgets/OrrinNavigationController.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

void spinEvents(int ms) {
    // A real loop that sleeps when there is nothing to do, as the application's does.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

AppRig::AppRig(TransportFactory transport, QSize size) {
    BenchHome::instance();
    VellLumo::setTransportFactory(std::move(transport));
    main = std::make_unique<MainWindow>();
    auto* root = new OrrinNavigationController(main.get());
    main->setCentralWidget(root);
    root->loadViewIfNeeded();
    controller = new ViewController();
    UIBackGroundView::expectWindowSize(size);  // as the application does
    root->pushViewController(controller);
    main->resize(size);
    main->show();
    const QDeadlineTimer deadline(5000);
    while (!laidOut() && !deadline.hasExpired()) spinEvents(10);
    spinEvents(50);
}

AppRig::~AppRig() {
    controller->gotoSystem();
    main.reset();
    VellLumo::setTransportFactory({});
    spinEvents(20);
}

bool AppRig::laidOut() const {
    const UIBackGroundView* back = controller->backgroundView();
    return back != nullptr && main->isVisible() &&
           back->frame().size() == QSizeF(controller->size());
}

#pragma once

#include "sensor/LumoTransport.h"

#include <QSize>

#include <memory>

class MainWindow;
class ViewController;

// The application's window as Application::run builds it (window, root container, the
// temperature screen over the benchmark skin), shown on the offscreen platform.
class AppRig {
public:
    explicit AppRig(TransportFactory transport = {}, QSize size = QSize(1024, 768));
    ~AppRig();
    AppRig(const AppRig&) = delete;
    AppRig& operator=(const AppRig&) = delete;

    MainWindow& window() const { return *main; }
    ViewController& screen() const { return *controller; }
    // True once the background covers the screen at the window's current size.
    bool laidOut() const;

private:
    std::unique_ptr<MainWindow> main;
    ViewController* controller = nullptr;
};

// Runs the main thread's events for about ms milliseconds.
void spinEvents(int ms);

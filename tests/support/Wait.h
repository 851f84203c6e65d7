#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <thread>

// Waits until done() holds, serving the main thread's events meanwhile, or with serve false
// sitting blocked like a busy main thread. False when the deadline passes first.
template <typename Done>
bool waitUntil(Done done, bool serve = true, int timeoutMs = 10'000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        if (serve)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

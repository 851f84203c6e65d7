#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

// Waits until done(), serving events or (serve false) blocked like a busy main thread; false late.
template <typename Done>
bool waitUntil(Done done, bool serve = true, int timeoutMs = 10'000) {
    for (const QDeadlineTimer deadline(timeoutMs); !done();) {
        if (deadline.hasExpired()) return false;
        serve ? QCoreApplication::processEvents(QEventLoop::AllEvents, 10) : QThread::msleep(1);
    }
    return true;
}

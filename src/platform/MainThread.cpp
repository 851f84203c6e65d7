#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace {
thread_local std::shared_ptr<HopGate> currentGate;
// Qt's event queue runs a hop only after it was posted, but under a lock that ThreadSanitizer
// cannot see in a Qt built without it; this one orders the two for the sanitizer as well.
std::mutex postingFence;
}  // namespace

void HopGate::close() {
    {
        std::lock_guard lock(mutex);
        open = false;
    }
    changed.notify_all();
}

bool HopGate::isOpen() const {
    std::lock_guard lock(mutex);
    return open;
}

bool MainThread::isCurrent() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void MainThread::post(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    std::unique_lock posting(postingFence);
    QMetaObject::invokeMethod(
        app,
        [work = std::move(work)] {
            { const std::lock_guard posted(postingFence); }
            work();
        },
        Qt::QueuedConnection);
}

void MainThread::dispatchSync(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        work();
        return;
    }
    std::shared_ptr<HopGate> gate = currentGate ? currentGate : std::make_shared<HopGate>();
    auto done = std::make_shared<bool>(false);
    post([gate, done, work = std::move(work)] {
        work();
        {
            std::lock_guard lock(gate->mutex);
            *done = true;
        }
        gate->changed.notify_all();
    });
    std::unique_lock lock(gate->mutex);
    gate->changed.wait(lock, [&] { return *done || !gate->open; });
}

MainThread::Scope::Scope(std::shared_ptr<HopGate> gate) : previous(std::move(currentGate)) {
    currentGate = std::move(gate);
}

MainThread::Scope::~Scope() {
    currentGate = std::move(previous);
}

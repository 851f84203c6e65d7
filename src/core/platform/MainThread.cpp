#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace {
thread_local std::shared_ptr<HopGate> currentGate;
// Qt's event queue runs work only after it was posted, but under a lock that ThreadSanitizer
// cannot see in a Qt built without it; this one orders the two for the sanitizer as well.
std::mutex postingFence;

// One synchronous hop's state, shared by its sender and the main thread.
struct Hop {
    std::shared_ptr<HopGate> gate;
    bool done = false;  // guarded by gate->mutex
};
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
    const std::lock_guard posting(postingFence);
    QMetaObject::invokeMethod(
        app,
        [work = std::move(work)] {
            { const std::lock_guard posted(postingFence); }
            work();
        },
        Qt::QueuedConnection);
}

void MainThread::dispatchSync(std::function<void()> work) {
    if (isCurrent()) {
        work();
        return;
    }
    // Through the same queue as post(): a hop never overtakes what its thread posted before it.
    auto hop = std::make_shared<Hop>();
    hop->gate = currentGate ? currentGate : std::make_shared<HopGate>();
    post([hop, work = std::move(work)] {
        work();
        {
            const std::lock_guard lock(hop->gate->mutex);
            hop->done = true;
        }
        hop->gate->changed.notify_all();
    });
    HopGate& gate = *hop->gate;
    std::unique_lock lock(gate.mutex);
    gate.changed.wait(lock, [&] { return hop->done || !gate.open; });
}

MainThread::Scope::Scope(std::shared_ptr<HopGate> gate) : previous(std::move(currentGate)) {
    currentGate = std::move(gate);
}

MainThread::Scope::~Scope() {
    currentGate = std::move(previous);
}

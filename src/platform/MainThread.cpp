#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <thread>

#ifdef __linux__
#include <sched.h>
#endif

namespace {
thread_local std::shared_ptr<HopGate> currentGate;
// Qt's event queue runs a hop only after it was posted, but under a lock that ThreadSanitizer
// cannot see in a Qt built without it; this one orders the two for the sanitizer as well.
std::mutex postingFence;
// Work posted and not yet run. A hop may skip the event queue only while it is empty, so that
// it never overtakes what its own thread posted before it.
std::atomic<int> queued{0};

using Clock = std::chrono::steady_clock;

// One synchronous hop: the work, and whether it has run, which its sender may poll.
struct Hop {
    std::function<void()> work;
    std::shared_ptr<HopGate> gate;
    std::atomic<bool> done{false};
};
using HopRef = std::shared_ptr<Hop>;

// The short cut for a stream of hops. A hop that wakes the sleeping main thread through the
// event queue costs two thread wake-ups, each of which takes tens of microseconds on an idle
// virtual machine. While hops come back to back, the main thread therefore stays awake for a
// moment after each one and takes the next one straight from this slot, and the sender, knowing
// the main thread is awake, polls for the end of its hop before it goes to sleep. Hops that come
// farther apart, as a real sensor's do, never wait here and go the usual way.
//
// The slot holds nullptr while closed, kOpen while the main thread waits at it, or a hop handed
// over (a heap copy of its reference, which the main thread takes and frees). Only the main
// thread opens and closes it; a sender fills it only while it is open.
HopRef openMark;
HopRef* const kOpen = &openMark;
std::atomic<HopRef*> slot{nullptr};

constexpr auto kBurstGap = std::chrono::microseconds(100);    // between hops of a stream
constexpr auto kMainWait = std::chrono::microseconds(30);     // the main thread at the slot
constexpr auto kSenderWait = std::chrono::microseconds(200);  // a sender, for its hop's end
constexpr auto kMostAwake = std::chrono::milliseconds(2);     // then the event loop's turn

// Waiting by spinning only pays where the two threads can run at once.
bool canSpin() {
    static const bool several = [] {
#ifdef __linux__
        cpu_set_t usable;
        if (::sched_getaffinity(0, sizeof usable, &usable) == 0) return CPU_COUNT(&usable) > 1;
#endif
        return std::thread::hardware_concurrency() > 1;
    }();
    return several;
}

void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Touched on the main thread only.
Clock::time_point lastHopEnd;
bool streaming = false;  // a nested event loop inside a hop does not wait at the slot again

}  // namespace

// The end of a hop, told under its gate, where its sender may be waiting.
struct HopEnd {
    static void mark(Hop& hop) {
        {
            std::lock_guard lock(hop.gate->mutex);
            hop.done.store(true, std::memory_order_release);
        }
        hop.gate->changed.notify_all();
    }
    static void await(Hop& hop) {
        HopGate& gate = *hop.gate;
        std::unique_lock lock(gate.mutex);
        gate.changed.wait(lock,
                          [&] { return hop.done.load(std::memory_order_acquire) || !gate.open; });
    }
};

namespace {
void runHop(Hop& hop) {
    hop.work();
    HopEnd::mark(hop);
}

// Waits a moment at the slot for the next hop of a stream; null when none came.
std::unique_ptr<HopRef> nextStreamedHop() {
    slot.store(kOpen, std::memory_order_release);
    const auto until = Clock::now() + kMainWait;
    HopRef* handed = kOpen;
    while ((handed = slot.load(std::memory_order_acquire)) == kOpen && Clock::now() < until)
        relax();
    if (handed == kOpen) {
        HopRef* expected = kOpen;
        if (slot.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel))
            return nullptr;
        handed = expected;  // filled at the last moment
    }
    slot.store(nullptr, std::memory_order_relaxed);
    return std::unique_ptr<HopRef>(handed);
}

// Runs a hop that came through the event queue and, if it came hard on the heels of the one
// before, the hops that follow it straight away, for a bounded time.
void serve(Hop& first) {
    const auto arrived = Clock::now();
    const bool inStream = arrived - lastHopEnd < kBurstGap && canSpin();
    runHop(first);
    if (inStream && !streaming) {
        streaming = true;
        const auto until = arrived + kMostAwake;
        while (Clock::now() < until) {
            const std::unique_ptr<HopRef> next = nextStreamedHop();
            if (!next) break;
            runHop(**next);
        }
        streaming = false;
    }
    lastHopEnd = Clock::now();
}

// The sender's side: hands hop to the main thread if it is waiting at the slot.
bool handOver(const HopRef& hop) {
    if (queued.load(std::memory_order_acquire) != 0) return false;
    auto handed = std::make_unique<HopRef>(hop);
    HopRef* expected = kOpen;
    if (!slot.compare_exchange_strong(expected, handed.get(), std::memory_order_acq_rel))
        return false;
    static_cast<void>(handed.release());  // the main thread's now
    return true;
}
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
    queued.fetch_add(1, std::memory_order_acq_rel);
    QMetaObject::invokeMethod(
        app,
        [work = std::move(work)] {
            { const std::lock_guard posted(postingFence); }
            queued.fetch_sub(1, std::memory_order_acq_rel);
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
    auto hop = std::make_shared<Hop>();
    hop->work = std::move(work);
    hop->gate = currentGate ? currentGate : std::make_shared<HopGate>();
    if (hop->gate->isOpen() && handOver(hop)) {
        // The main thread is awake and on it: the end is usually a few microseconds away.
        const auto until = Clock::now() + kSenderWait;
        while (!hop->done.load(std::memory_order_acquire) && Clock::now() < until) relax();
    } else {
        post([hop] { serve(*hop); });
    }
    HopGate& gate = *hop->gate;
    std::unique_lock lock(gate.mutex);
    gate.changed.wait(lock,
                      [&] { return hop->done.load(std::memory_order_acquire) || !gate.open; });
}

MainThread::Scope::Scope(std::shared_ptr<HopGate> gate) : previous(std::move(currentGate)) {
    currentGate = std::move(gate);
}

MainThread::Scope::~Scope() {
    currentGate = std::move(previous);
}

#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// A gate that a worker thread's synchronous hops wait under. Closing it releases every hop that
// is waiting for the main thread, so whoever owns the worker can stop it from the main thread
// without the two threads waiting on each other. A released hop's work still runs on the main
// thread later; only the waiting ends.
class HopGate {
public:
    void close();
    bool isOpen() const;

private:
    friend class MainThread;
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
};

class MainThread {
public:
    // Runs work on the main thread and returns once it has run there. Called on the main thread,
    // it runs work at once. Without an application object it runs work on the calling thread.
    static void dispatchSync(std::function<void()> work);
    // Queues work for the main thread and returns at once; dropped without an application.
    static void post(std::function<void()> work);

    static bool isCurrent();

    // While a Scope lives, this thread's hops wait under gate.
    class Scope {
    public:
        explicit Scope(std::shared_ptr<HopGate> gate);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::shared_ptr<HopGate> previous;
    };
};

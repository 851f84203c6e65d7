#include "sensor/LinkThread.h"

LinkThread::LinkThread(TransportFactory factory, StatusHandler status, ResultHandler result)
    : factory(std::move(factory)),
      statusHandler(std::move(status)),
      resultHandler(std::move(result)) {
    setObjectName(QStringLiteral("vell-link"));
}

LinkThread::~LinkThread() {
    cancel();
}

void LinkThread::updateSettings(const std::function<void(LinkSettings&)>& change) {
    std::lock_guard lock(settingsMutex);
    change(settings);
}

void LinkThread::cancel() {
    cancelled.store(true);
    gate->close();
    quit();  // also makes a later exec() return at once
    wait();
    // QThread::wait() returns on a flag it reads under Qt's own lock; taking the lock that run()
    // holds makes the end of run() visibly happen before whatever the owner does next.
    const std::lock_guard finished(runMutex);
}

void LinkThread::run() {
    const std::lock_guard running(runMutex);
    if (cancelled.load()) return;
    const MainThread::Scope hops(gate);
    LinkSettings copy;
    {
        std::lock_guard lock(settingsMutex);
        copy = settings;
    }
    std::unique_ptr<LumoTransport> transport = factory ? factory() : nullptr;
    if (transport == nullptr) return;
    transport->start(copy, *this);
    exec();
    transport.reset();  // stops timers and radios on the thread that made them
}

void LinkThread::status(qint64 code) {
    if (!cancelled.load() && statusHandler) statusHandler(code);
}

void LinkThread::result(const QByteArray& record) {
    if (!cancelled.load() && resultHandler) resultHandler(record);
}

void LinkThread::device(const QString& address) {
    if (!cancelled.load() && deviceHandler) deviceHandler(address);
}

void LinkThread::cutResult(const QByteArray& record, qint64 receivedLength) {
    if (cancelled.load()) return;
    if (cutResultHandler)
        cutResultHandler(record, receivedLength);
    else if (resultHandler)
        resultHandler(record);
}

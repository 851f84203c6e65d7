#pragma once

#include "platform/MainThread.h"
#include "sensor/LumoTransport.h"

#include <QThread>

#include <atomic>
#include <mutex>

// The link's own thread: it owns the transport, runs its event loop, and hands what the
// transport reports to the link's two callbacks.
class LinkThread final : public QThread, private LinkSink {
    Q_OBJECT
public:
    using StatusHandler = std::function<void(qint64)>;
    using ResultHandler = std::function<void(const QByteArray&)>;
    using DeviceHandler = std::function<void(const QString&)>;
    using CutResultHandler = std::function<void(const QByteArray&, qint64)>;

    LinkThread(TransportFactory factory, StatusHandler status, ResultHandler result);
    ~LinkThread() override;

    // Settings may change until the thread starts; the transport reads them once it runs.
    void updateSettings(const std::function<void(LinkSettings&)>& change);
    // Optional handlers, set before the thread starts.
    void setDeviceHandler(DeviceHandler handler) { deviceHandler = std::move(handler); }
    void setCutResultHandler(CutResultHandler handler) { cutResultHandler = std::move(handler); }

    // Stops the transport and waits for the thread. Safe from the main thread while a callback
    // waits on it: the callback's hop is released first. No callback runs once this returns.
    void cancel();

protected:
    void run() override;

private:
    void status(qint64 code) override;
    void result(const QByteArray& record) override;
    void device(const QString& address) override;
    void cutResult(const QByteArray& record, qint64 receivedLength) override;

    TransportFactory factory;
    StatusHandler statusHandler;
    ResultHandler resultHandler;
    DeviceHandler deviceHandler;
    CutResultHandler cutResultHandler;
    std::mutex settingsMutex;
    std::mutex runMutex;  // held by run() from start to end
    LinkSettings settings;
    std::shared_ptr<HopGate> gate = std::make_shared<HopGate>();
    std::atomic<bool> cancelled{false};
};

#pragma once

#include "sensor/LumoTransport.h"

#include <QObject>

#include <memory>

class LinkThread;

// In Qt terms: a sensor link running on a QThread of its own (Qt Bluetooth LE, or a stand-in).
// The sensor link. It starts its work by itself, once control is back in the main loop, so the
// UUIDs set right after construction are in place; it reports status codes and records on its
// own thread until cancelled.
class VellLumo {
public:
    using StatusHandler = std::function<void(qint64)>;
    using ResultHandler = std::function<void(const QByteArray&)>;
    using DeviceHandler = std::function<void(const QString&)>;
    using CutResultHandler = std::function<void(const QByteArray&, qint64)>;

    // Null when no transport has been chosen for this process.
    static std::unique_ptr<VellLumo> initWithBTName(const QString& btName, StatusHandler status,
                                                    ResultHandler result);
    ~VellLumo();
    VellLumo(const VellLumo&) = delete;
    VellLumo& operator=(const VellLumo&) = delete;

    void setServiceUUID(const QString& uuid);
    void setReceiveUUID(const QString& uuid);
    void setTransmitUUID(const QString& uuid);
    // The one device to take among several with the name; empty: the first found.
    void setDeviceAddress(const QString& address);
    // Optional, before control returns to the main loop: told the picked device's address, and
    // given records cut short with the length received (without it, the result handler gets them).
    void setDeviceHandler(DeviceHandler handler);
    void setCutResultHandler(CutResultHandler handler);

    // Stops the link; no callback runs once it returns. Further calls do nothing.
    void cancel();

    // The transport every new link uses (chosen once per process, by the command line or a test).
    static void setTransportFactory(TransportFactory factory);

private:
    explicit VellLumo(std::unique_ptr<LinkThread> thread);

    std::unique_ptr<LinkThread> thread;
    QObject startContext;  // drops the pending start when the link goes first
};

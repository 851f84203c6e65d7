#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// What a link is told: the sensor's Bluetooth name and its three 16-bit UUIDs ("FFE0"), and
// the one device address to take ("C4:7F:51:00:12:34"; empty: any with the name).
struct LinkSettings {
    QString btName;
    QString serviceUUID;
    QString receiveUUID;
    QString transmitUUID;
    QString address;
};

// Where a transport reports to. Calls come on the link's thread.
class LinkSink {
public:
    virtual ~LinkSink() = default;
    virtual void status(qint64 code) = 0;
    virtual void result(const QByteArray& record) = 0;
    // The address of the device the link has picked, told before it reports FoundTarget.
    virtual void device(const QString& address) { Q_UNUSED(address); }
    // A record longer than a transport keeps: its first bytes, and how many it received in all.
    virtual void cutResult(const QByteArray& record, qint64 receivedLength) {
        Q_UNUSED(receivedLength);
        result(record);
    }
};

// One way of reaching a sensor (simulated, replayed, Bluetooth LE). A transport is made, started
// and destroyed on the link's own thread and works from that thread's event loop.
class LumoTransport : public QObject {
    Q_OBJECT
public:
    virtual void start(const LinkSettings& settings, LinkSink& sink) = 0;
};

using TransportFactory = std::function<std::unique_ptr<LumoTransport>()>;

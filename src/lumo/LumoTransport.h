#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// What a link is told: the sensor's Bluetooth name and its three 16-bit UUIDs ("FFE0").
struct LinkSettings {
    QString btName;
    QString serviceUUID;
    QString receiveUUID;
    QString transmitUUID;
};

// Where a transport reports to. Calls come on the link's thread.
class LinkSink {
public:
    virtual ~LinkSink() = default;
    virtual void status(qint64 code) = 0;
    virtual void result(const QByteArray& record) = 0;
};

// One way of reaching a sensor (simulated, replayed, Bluetooth LE). A transport is made, started
// and destroyed on the link's own thread and works from that thread's event loop.
class LumoTransport : public QObject {
    Q_OBJECT
public:
    virtual void start(const LinkSettings& settings, LinkSink& sink) = 0;
};

using TransportFactory = std::function<std::unique_ptr<LumoTransport>()>;

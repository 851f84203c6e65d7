#include "sensor/VellLumo.h"

#include "sensor/LinkThread.h"

#include <QTimer>

namespace {
TransportFactory& chosenFactory() {
    static TransportFactory factory;
    return factory;
}
}  // namespace

void VellLumo::setTransportFactory(TransportFactory factory) {
    chosenFactory() = std::move(factory);
}

std::unique_ptr<VellLumo> VellLumo::initWithBTName(const QString& btName, StatusHandler status,
                                                   ResultHandler result) {
    if (!chosenFactory()) return nullptr;
    auto thread =
        std::make_unique<LinkThread>(chosenFactory(), std::move(status), std::move(result));
    thread->updateSettings([&](LinkSettings& s) { s.btName = btName; });
    return std::unique_ptr<VellLumo>(new VellLumo(std::move(thread)));
}

VellLumo::VellLumo(std::unique_ptr<LinkThread> linkThread) : thread(std::move(linkThread)) {
    QTimer::singleShot(0, &startContext, [this] {
        if (thread) thread->start();
    });
}

VellLumo::~VellLumo() {
    cancel();
}

void VellLumo::setServiceUUID(const QString& uuid) {
    if (thread) thread->updateSettings([&](LinkSettings& s) { s.serviceUUID = uuid; });
}

void VellLumo::setReceiveUUID(const QString& uuid) {
    if (thread) thread->updateSettings([&](LinkSettings& s) { s.receiveUUID = uuid; });
}

void VellLumo::setTransmitUUID(const QString& uuid) {
    if (thread) thread->updateSettings([&](LinkSettings& s) { s.transmitUUID = uuid; });
}

void VellLumo::setDeviceAddress(const QString& address) {
    if (thread) thread->updateSettings([&](LinkSettings& s) { s.address = address; });
}

void VellLumo::setDeviceHandler(DeviceHandler handler) {
    if (thread) thread->setDeviceHandler(std::move(handler));
}

void VellLumo::setCutResultHandler(CutResultHandler handler) {
    if (thread) thread->setCutResultHandler(std::move(handler));
}

void VellLumo::cancel() {
    if (!thread) return;
    thread->cancel();
    thread.reset();
}

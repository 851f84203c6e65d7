#include "sensor/SensorProfile.h"

#include <QRegularExpression>

namespace {
SensorProfile& current() {
    static SensorProfile profile;
    return profile;
}
}  // namespace

const SensorProfile& SensorProfile::chosen() {
    return current();
}

void SensorProfile::choose(const SensorProfile& profile) {
    current() = profile;
}

std::unique_ptr<VellLumo> SensorProfile::makeLink(VellLumo::StatusHandler status,
                                                  VellLumo::ResultHandler result) {
    const SensorProfile& profile = chosen();
    std::unique_ptr<VellLumo> link =
        VellLumo::initWithBTName(profile.btName, std::move(status), std::move(result));
    if (!link) return nullptr;
    link->setServiceUUID(profile.serviceUUID);
    link->setReceiveUUID(profile.receiveUUID);
    link->setTransmitUUID(profile.transmitUUID);
    link->setDeviceAddress(profile.address);
    return link;
}

QString SensorProfile::normalAddress(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return form.match(text).hasMatch() ? text.toUpper() : QString();
}

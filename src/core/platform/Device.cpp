#include "platform/Device.h"

#include <QGuiApplication>
#include <QScreen>

#include <atomic>

namespace {
std::atomic<Device::Idiom> idiom{Device::Idiom::Mac};
}

Device::Idiom Device::userInterfaceIdiom() {
    return idiom.load();
}

void Device::setUserInterfaceIdiom(Idiom value) {
    idiom.store(value);
}

QRectF Device::mainScreenBounds() {
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    if (screen == nullptr) return {};
    return QRectF(QPointF(0, 0), QSizeF(screen->size()));
}

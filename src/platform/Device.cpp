#include "platform/Device.h"

#include <QGuiApplication>
#include <QScreen>

#include <atomic>

namespace {
std::atomic<int> idiom{Device::Mac};
}

int Device::userInterfaceIdiom() {
    return idiom.load();
}

void Device::setUserInterfaceIdiom(int value) {
    idiom.store(value);
}

QRectF Device::mainScreenBounds() {
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    if (screen == nullptr) return {};
    return QRectF(QPointF(0, 0), QSizeF(screen->size()));
}

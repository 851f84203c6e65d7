#pragma once

#include "platform/Device.h"

#include <QSizeF>
#include <QString>
#include <QStringList>

// The background picture's resource name for an interface idiom and a frame size. Wider than
// tall is landscape; a square is portrait. The Mac idiom has one picture for every shape.
QString backgroundResourceName(Device::Idiom idiom, const QSizeF& size);

// Every name backgroundResourceName gives, once each.
QStringList allBackgroundResourceNames();

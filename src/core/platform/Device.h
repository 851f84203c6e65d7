#pragma once

#include <QRectF>

// What the skin layout asks of the device: its interface idiom and the main screen's bounds.
class Device {
public:
    // The values are UIKit's, which the skin report prints.
    enum class Idiom { Phone = 0, Pad = 1, Mac = 5 };

    static Idiom userInterfaceIdiom();
    static void setUserInterfaceIdiom(Idiom idiom);

    // The primary screen's size at origin (0, 0); empty when there is no screen.
    static QRectF mainScreenBounds();
};

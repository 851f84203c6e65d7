#pragma once

#include <QRectF>

// What the skin layout asks of the device: its interface idiom and the main screen's bounds.
class Device {
public:
    enum Idiom : int { Phone = 0, Pad = 1, Mac = 5 };

    static int userInterfaceIdiom();
    static void setUserInterfaceIdiom(int idiom);

    // The primary screen's size at origin (0, 0); empty when there is no screen.
    static QRectF mainScreenBounds();
};

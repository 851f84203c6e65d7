#include "widgets/ViewGeometry.h"

#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
constexpr const char* kFrameProperty = "vellFrame";

int roundedEdge(double value) {
    // Far-off frames must not overflow the widget's integer geometry.
    constexpr double kLimit = 1 << 24;
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::lround(std::clamp(value, -kLimit, kLimit)));
}
}  // namespace

QRect ViewGeometry::displayRect(const QRectF& r) {
    const int left = roundedEdge(r.x());
    const int top = roundedEdge(r.y());
    return QRect(left, top, std::max(0, roundedEdge(r.x() + r.width()) - left),
                 std::max(0, roundedEdge(r.y() + r.height()) - top));
}

void ViewGeometry::setFrame(QWidget* view, const QRectF& frame) {
    view->setProperty(kFrameProperty, frame);
    view->setGeometry(displayRect(frame));
}

QRectF ViewGeometry::frame(const QWidget* view) {
    const QVariant stored = view->property(kFrameProperty);
    // A resize from outside (the window, a layout) makes the widget's geometry the truth again.
    if (stored.isValid() && displayRect(stored.toRectF()) == view->geometry())
        return stored.toRectF();
    return QRectF(view->geometry());
}

void ViewGeometry::setCenter(QWidget* view, const QPointF& c) {
    QRectF f = frame(view);
    f.moveCenter(c);
    setFrame(view, f);
}

QPointF ViewGeometry::center(const QWidget* view) {
    return frame(view).center();
}

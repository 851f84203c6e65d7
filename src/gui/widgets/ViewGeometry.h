#pragma once

#include <QPointF>
#include <QRectF>

class QWidget;

// Views keep their exact frame in points; the widget's integer geometry only follows it for
// display.
namespace ViewGeometry {
void setFrame(QWidget* view, const QRectF& frame);
// The exact frame last set, or the widget's geometry when none was set.
QRectF frame(const QWidget* view);
void setCenter(QWidget* view, const QPointF& center);
QPointF center(const QWidget* view);
QRect displayRect(const QRectF& frame);
}  // namespace ViewGeometry

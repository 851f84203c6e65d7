#include "widgets/TapRecognizer.h"

#include <QApplication>
#include <QLineF>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWidget>

#include <algorithm>

bool TapCounter::press(const QPointF& position, qint64 timestampMs) {
    const bool continues = count > 0 && timestampMs >= last && timestampMs - last <= intervalMs &&
                           QLineF(first, position).length() <= slop;
    if (!continues) {
        count = 0;
        first = position;
    }
    last = timestampMs;
    if (++count < tapsRequired) return false;
    count = 0;
    return true;
}

TapRecognizer::TapRecognizer(QWidget* target, int tapsRequired, std::function<void()> callback)
    : QObject(target),
      counter(tapsRequired, QGuiApplication::styleHints()->mouseDoubleClickInterval(),
              std::max<qreal>(8, QGuiApplication::styleHints()->startDragDistance())),
      action(std::move(callback)) {
    target->installEventFilter(this);
}

bool TapRecognizer::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || mouse->buttons() != Qt::LeftButton) {
        counter.reset();
        return false;
    }
    if (counter.press(mouse->globalPosition(), static_cast<qint64>(mouse->timestamp())) && action)
        action();
    return false;
}

#pragma once

#include <QObject>
#include <QPointF>

#include <functional>

// Counts presses into multi-tap gestures: each press within interval of the one before and
// within slop points of the first. The press that completes the count fires and starts over.
class TapCounter {
public:
    TapCounter(int tapsRequired, qint64 intervalMs, qreal slop)
        : tapsRequired(tapsRequired), intervalMs(intervalMs), slop(slop) {}

    // True when this press completes a gesture.
    bool press(const QPointF& position, qint64 timestampMs);
    void reset() { count = 0; }

private:
    int tapsRequired;
    qint64 intervalMs;
    qreal slop;
    int count = 0;
    QPointF first;
    qint64 last = 0;
};

class QWidget;

// A tap gesture on a widget, from presses of the primary button (a double-click counts as a
// press). Presses that a child widget takes for itself, such as a click on a link label, never
// reach it.
class TapRecognizer : public QObject {
    Q_OBJECT
public:
    // Uses the desktop's double-click interval and drag distance.
    TapRecognizer(QWidget* target, int tapsRequired, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TapCounter counter;
    std::function<void()> action;
};

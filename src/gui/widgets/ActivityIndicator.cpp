#include "widgets/ActivityIndicator.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

ActivityIndicator::ActivityIndicator(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer.setInterval(1000 / kSpokes);
    connect(&timer, &QTimer::timeout, this, [this] {
        phase = (phase + 1) % kSpokes;
        update();
    });
    hide();
}

void ActivityIndicator::startAnimating() {
    if (!timer.isActive()) timer.start();
    show();
}

void ActivityIndicator::stopAnimating() {
    timer.stop();
    hide();
}

void ActivityIndicator::setBackgroundColor(const QColor& color) {
    background = color;
    update();
}

void ActivityIndicator::setCornerRadius(qreal radius) {
    cornerRadius = radius;
    update();
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(clip, background);

    // A large spinner is about 37 points across, whatever square it sits in.
    const qreal radius = std::min<qreal>(18.5, std::min(width(), height()) / 2.0);
    painter.translate(QRectF(rect()).center());
    QPen pen(Qt::white);
    pen.setCapStyle(Qt::RoundCap);
    pen.setWidthF(radius * 0.2);
    for (int i = 0; i < kSpokes; ++i) {
        const int age = (phase - i + kSpokes) % kSpokes;
        QColor color = Qt::white;
        color.setAlphaF(static_cast<float>(1.0 - 0.75 * age / kSpokes));
        pen.setColor(color);
        painter.setPen(pen);
        painter.save();
        painter.rotate(360.0 * i / kSpokes);
        painter.drawLine(QPointF(0, -radius * 0.5), QPointF(0, -radius));
        painter.restore();
    }
}

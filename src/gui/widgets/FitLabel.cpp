#include "widgets/FitLabel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

FitLabel::FitLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    heldUpdate.setSingleShot(true);
    connect(&heldUpdate, &QTimer::timeout, this, [this] {
        sinceUpdate.start();
        update();
    });
}

void FitLabel::showText(const QString& text) {
    if (text == QLabel::text()) return;
    if (heldUpdate.isActive() || (sinceUpdate.isValid() && !sinceUpdate.hasExpired(kFrameMs))) {
        // QLabel::setText asks for a repaint of its own; this one waits for the held repaint.
        setAttribute(Qt::WA_UpdatesDisabled, true);
        QLabel::setText(text);
        setAttribute(Qt::WA_UpdatesDisabled, false);
        if (!heldUpdate.isActive())
            heldUpdate.start(
                static_cast<int>(std::max<qint64>(0, kFrameMs - sinceUpdate.elapsed())));
        return;
    }
    sinceUpdate.start();
    QLabel::setText(text);
}

void FitLabel::setAdjustsFontSizeToFitWidth(bool adjust) {
    adjusts = adjust;
    update();
}

void FitLabel::setTextColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

QFont FitLabel::fittedFont() const {
    QFont f = font();
    if (!adjusts || text().isEmpty() || width() <= 0) return f;
    // Text width is not quite linear in the size (hinting), so step down until it fits.
    for (int i = 0; i < 8; ++i) {
        const qreal wide = QFontMetricsF(f).horizontalAdvance(text());
        if (wide <= width()) break;
        const qreal size = f.pointSizeF() * width() / wide * 0.995;
        if (size < 1.0) {
            f.setPointSizeF(1.0);
            break;
        }
        f.setPointSizeF(size);
    }
    return f;
}

void FitLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(fittedFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

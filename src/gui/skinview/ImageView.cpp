#include "skinview/ImageView.h"

#include <QPainter>

#include <algorithm>

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    connect(&settle, &QTimer::timeout, this, [this] {
        resizing = false;
        update();
    });
}

void ImageView::setImage(const QImage& image) {
    if (image.cacheKey() == picture.cacheKey()) return;  // the same decoded picture again
    picture = image;
    update();
}

QRectF ImageView::aspectFillRect(const QSizeF& pictureSize, const QSizeF& size) {
    if (pictureSize.isEmpty() || size.isEmpty()) return {};
    const qreal scale =
        std::max(size.width() / pictureSize.width(), size.height() / pictureSize.height());
    const QSizeF filled = pictureSize * scale;
    return QRectF(
        QPointF((size.width() - filled.width()) / 2, (size.height() - filled.height()) / 2),
        filled);
}

void ImageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    resizing = true;
    settle.start();
}

void ImageView::paintEvent(QPaintEvent*) {
    if (picture.isNull() || width() <= 0 || height() <= 0) return;
    // Only the part of the picture that shows is scaled, straight into the window's backing
    // store, which keeps the result: a scaled copy of our own would hold a second window's worth
    // of pixels for nothing (and a third while it was redone).
    const QRectF target = aspectFillRect(QSizeF(picture.size()), QSizeF(size()));
    const qreal scale = target.width() / picture.width();
    const QRectF source(-target.x() / scale, -target.y() / scale, width() / scale,
                        height() / scale);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !resizing);
    painter.drawImage(QRectF(rect()), picture, source);
}

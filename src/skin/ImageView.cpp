#include "skin/ImageView.h"

#include <QPainter>

#include <algorithm>

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    connect(&settle, &QTimer::timeout, this, [this] {
        resizing = false;
        if (!scaledSmooth) update();
    });
}

void ImageView::setImage(const QImage& image) {
    if (image.cacheKey() == picture.cacheKey()) return;  // the same decoded picture again
    picture = image;
    scaled = QPixmap();
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

QPixmap ImageView::render(const QSize& pixels, qreal ratio, bool smooth) const {
    // Only the part of the picture that shows is scaled, straight into a pixmap of the view's
    // size: no intermediate image, whatever the picture's shape.
    const QRectF target = aspectFillRect(QSizeF(picture.size()), QSizeF(size()));
    const qreal scale = target.width() / picture.width();
    const QRectF source(-target.x() / scale, -target.y() / scale, width() / scale,
                        height() / scale);
    QPixmap out(pixels);
    out.setDevicePixelRatio(ratio);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size())), picture, source);
    return out;
}

void ImageView::paintEvent(QPaintEvent*) {
    if (picture.isNull() || width() <= 0 || height() <= 0) return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty()) return;
    const bool smooth = !resizing;
    if (scaled.size() != pixels || (smooth && !scaledSmooth)) {
        scaled = render(pixels, ratio, smooth);
        scaledSmooth = smooth;
    }
    QPainter painter(this);
    painter.drawPixmap(QPointF(0, 0), scaled);
}

#include "skin/ImageView.h"

#include <QPainter>

#include <algorithm>

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageView::setImage(const QImage& image) {
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

void ImageView::paintEvent(QPaintEvent*) {
    if (picture.isNull() || width() <= 0 || height() <= 0) return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty()) return;
    if (scaled.size() != pixels) {
        // Scale only the part of the picture that shows, so a picture of an extreme shape
        // never blows up into a huge intermediate image.
        const QRectF target = aspectFillRect(QSizeF(picture.size()), QSizeF(size()));
        const qreal scale = target.width() / picture.width();
        const QRect source =
            QRectF(-target.x() / scale, -target.y() / scale, width() / scale, height() / scale)
                .toAlignedRect()
                .intersected(picture.rect());
        scaled = QPixmap::fromImage(
            picture.copy(source).scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaled.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawPixmap(QPointF(0, 0), scaled);
}

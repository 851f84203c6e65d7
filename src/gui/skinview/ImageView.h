#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

// Shows a picture scaled, keeping its aspect ratio, until it covers the whole view, centred.
// It takes no clicks of its own: they reach the view beneath.
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return picture; }

    // Where the whole picture lands, in the view's coordinates, when it covers a view of size.
    static QRectF aspectFillRect(const QSizeF& picture, const QSizeF& size);

    // How long the size must stay the same before a quick scale is redone smoothly.
    static constexpr int kSettleMs = 150;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage picture;
    // While sizes stream in during a live resize the picture is scaled quickly, and smoothly
    // once the size has settled.
    bool resizing = false;
    QTimer settle;
};

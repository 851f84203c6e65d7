#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

// The large spinner. It is hidden while stopped, and its timer runs only while it spins.
class ActivityIndicator : public QWidget {
    Q_OBJECT
public:
    explicit ActivityIndicator(QWidget* parent = nullptr);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return timer.isActive(); }

    void setBackgroundColor(const QColor& color);
    void setCornerRadius(qreal radius);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kSpokes = 12;
    QTimer timer;
    int phase = 0;
    QColor background = Qt::transparent;
    qreal cornerRadius = 0;
};

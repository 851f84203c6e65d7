#pragma once

#include <QLabel>

// A label that always shows plain text and, when asked, draws a text that is too wide for it at
// a smaller size instead of cutting it off.
class FitLabel : public QLabel {
    Q_OBJECT
public:
    explicit FitLabel(QWidget* parent = nullptr);

    void setAdjustsFontSizeToFitWidth(bool adjust);
    bool adjustsFontSizeToFitWidth() const { return adjusts; }
    void setTextColor(const QColor& color);

    // The font the text is drawn with at the current width.
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool adjusts = false;
};

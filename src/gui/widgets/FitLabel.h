#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

// A label that always shows plain text and, when asked, draws a text that is too wide for it at
// a smaller size instead of cutting it off. However often its text changes, it repaints at most
// once a frame.
class FitLabel : public QLabel {
    Q_OBJECT
public:
    explicit FitLabel(QWidget* parent = nullptr);

    void setAdjustsFontSizeToFitWidth(bool adjust);
    bool adjustsFontSizeToFitWidth() const { return adjusts; }
    void setTextColor(const QColor& color);
    // Takes text at once (text() returns it). The repaint follows as with any label, unless the
    // label asked for one less than a frame ago: then one repaint at the end of that frame shows
    // the latest text, so readings arriving thousands of times a second cost a repaint a frame.
    // (QLabel::setText, which is not virtual, would repaint every time.)
    void showText(const QString& text);

    static constexpr int kFrameMs = 16;

    // The font the text is drawn with at the current width.
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool adjusts = false;
    QElapsedTimer sinceUpdate;  // since the label last asked to be repainted
    QTimer heldUpdate;          // the repaint held back to the end of the frame
};

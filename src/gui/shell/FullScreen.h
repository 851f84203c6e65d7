#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QAction;
class QMainWindow;
class QWindow;

// Full screen for a wall display: F11 turns it on and off, Escape leaves it. In full screen the
// menu bar hides (its shortcuts still work), and so does the pointer after kHidePointerMs
// without a move, until it moves again.
class FullScreen : public QObject {
    Q_OBJECT
public:
    static constexpr int kHidePointerMs = 3000;

    // Belongs to window, whose menus are built by now.
    explicit FullScreen(QMainWindow& window);
    ~FullScreen() override;

    QAction* toggleAction() const { return toggle; }
    bool pointerHidden() const { return hidden; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stateChanged();
    void setPointerHidden(bool hide);

    QMainWindow& window;
    QAction* toggle = nullptr;
    QAction* leave = nullptr;
    QTimer idle;
    QPointer<QWindow> watched;  // the window's native side, where every pointer move arrives
    bool hidden = false;
};

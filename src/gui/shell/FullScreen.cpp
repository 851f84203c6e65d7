#include "shell/FullScreen.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

FullScreen::FullScreen(QMainWindow& mainWindow) : QObject(&mainWindow), window(mainWindow) {
    // Actions of the window itself, and the menus' too: a hidden menu bar takes no shortcuts.
    for (QAction* menu : window.menuBar()->actions())
        if (menu->menu() != nullptr) window.addActions(menu->menu()->actions());
    toggle = new QAction(QStringLiteral("&Full Screen"), &window);
    toggle->setCheckable(true);
    toggle->setShortcut(QKeySequence(Qt::Key_F11));
    window.addAction(toggle);
    connect(toggle, &QAction::triggered, this,
            [this] { window.setWindowState(window.windowState() ^ Qt::WindowFullScreen); });
    leave = new QAction(&window);
    leave->setShortcut(QKeySequence(Qt::Key_Escape));
    leave->setEnabled(false);  // Escape means nothing to a normal window
    window.addAction(leave);
    connect(leave, &QAction::triggered, this,
            [this] { window.setWindowState(window.windowState() & ~Qt::WindowFullScreen); });
    idle.setSingleShot(true);
    idle.setInterval(kHidePointerMs);
    connect(&idle, &QTimer::timeout, this, [this] { setPointerHidden(true); });
    window.installEventFilter(this);
}

FullScreen::~FullScreen() {
    setPointerHidden(false);
}

bool FullScreen::eventFilter(QObject* object, QEvent* event) {
    if (object == &window && event->type() == QEvent::WindowStateChange) {
        stateChanged();
    } else if (object == watched && window.isFullScreen()) {
        switch (event->type()) {
            case QEvent::MouseMove:
            case QEvent::MouseButtonPress:
            case QEvent::Wheel:
                setPointerHidden(false);
                idle.start();
                break;
            default:
                break;
        }
    }
    return false;
}

void FullScreen::stateChanged() {
    const bool full = window.isFullScreen();
    toggle->setChecked(full);
    leave->setEnabled(full);
    window.menuBar()->setVisible(!full);
    if (QWindow* handle = window.windowHandle(); handle != nullptr && handle != watched) {
        handle->installEventFilter(this);
        watched = handle;
    }
    if (full) {
        idle.start();
    } else {
        idle.stop();
        setPointerHidden(false);
    }
}

void FullScreen::setPointerHidden(bool hide) {
    if (hide == hidden) return;
    hidden = hide;
    // An override, so that no widget's own cursor (a link's pointing hand) shows through.
    if (hide)
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

#pragma once

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

// A group of menu commands, shown as a submenu or, inline, directly among its parent's entries.
struct UIMenu {
    enum Option { DisplayInline = 1 };
    QString title;
    int options = 0;
    QList<QAction*> children;
};

// Lets the application delegate add its commands to the window's menu bar, which the shell has
// already filled with the desktop's usual menus.
class MenuBuilder {
public:
    explicit MenuBuilder(QMenuBar* bar);

    QMenu* fileMenu() const { return file; }
    void insertChildMenuAtStartOfFileMenu(const UIMenu& menu);

private:
    QMenuBar* bar;
    QMenu* file;
};

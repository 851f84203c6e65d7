#include "shell/MenuBuilder.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

MenuBuilder::MenuBuilder(QMenuBar* menuBar) : bar(menuBar) {
    file = bar->addMenu(QStringLiteral("&File"));
    QAction* quit = file->addAction(QStringLiteral("&Quit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, bar->window(), &QWidget::close);
}

void MenuBuilder::insertChildMenuAtStartOfFileMenu(const UIMenu& menu) {
    QAction* before = file->actions().value(0);
    if (menu.options & UIMenu::DisplayInline) {
        for (QAction* action : menu.children) file->insertAction(before, action);
        if (before != nullptr) file->insertSeparator(before);
        return;
    }
    QMenu* sub = new QMenu(menu.title, file);
    sub->addActions(menu.children);
    file->insertMenu(before, sub);
    if (before != nullptr) file->insertSeparator(before);
}

#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "app/MenuBuilder.h"
#include "platform/HomeDirectory.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include "support/OpenedUrls.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

// The home has characters that mean something in a URL, and others outside ASCII.
TEST(DocumentsMenuTest, DocumentsComesFirstInlineAndOpensTheHomeByMenuAndByShortcut) {
    const TempHome temp;
    const QString home = temp.path() + QStringLiteral("/a #1 100% ?x=y Grüße ✓");
    ASSERT_TRUE(QDir().mkpath(home));
    HomeDirectory::setPath(home);
    MainWindow window;
    auto* field = new QLineEdit(&window);
    window.setCentralWidget(field);
    MenuBuilder menus(window.menuBar());
    AppDelegate delegate;
    delegate.buildMenuWithBuilder(menus);
    OpenedUrls opened;

    QAction* documents = menus.fileMenu()->actions().value(0);
    ASSERT_NE(documents, nullptr);
    EXPECT_EQ(documents->text(), "Documents");
    EXPECT_EQ(documents->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_EQ(documents->menu(), nullptr);
    for (const QMenu* menu : window.menuBar()->findChildren<QMenu*>())
        EXPECT_NE(menu->title().remove('&'), "My");  // the group holding it shows inline
    documents->trigger();
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(home)});
    EXPECT_EQ(opened.value(0).toLocalFile(), home);

    // Control+H typed into a field of the active window.
    opened.clear();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    QTest::keyClick(field, Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(home)});
    EXPECT_TRUE(field->text().isEmpty());
}

}  // namespace

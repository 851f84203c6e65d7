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

// The window's menus as the application builds them, with a text field to type into.
class DocumentsMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        field = new QLineEdit(&window);
        window.setCentralWidget(field);
        delegate.buildMenuWithBuilder(menus);
    }

    QList<QAction*> fileActions() const { return menus.fileMenu()->actions(); }

    TempHome home;
    MainWindow window;
    MenuBuilder menus{window.menuBar()};
    AppDelegate delegate;
    QLineEdit* field = nullptr;
    OpenedUrls opened;
};

TEST_F(DocumentsMenuTest, DocumentsComesFirstAndQuitLast) {
    const QList<QAction*> actions = fileActions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Documents"));
    EXPECT_EQ(actions[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_EQ(actions[0]->menu(), nullptr);
    EXPECT_EQ(actions[2]->menuRole(), QAction::QuitRole);

    // The group holding Documents shows inline: its title appears nowhere.
    QList<QAction*> all = window.menuBar()->actions();
    for (qsizetype i = 0; i < all.size(); ++i) {
        EXPECT_NE(all[i]->text().remove(QLatin1Char('&')), QStringLiteral("My"));
        if (all[i]->menu() != nullptr) all += all[i]->menu()->actions();
    }
}

struct Home {
    const char* name;
    const char* folder;  // under the temporary home
    friend void PrintTo(const Home& h, std::ostream* os) { *os << h.name; }
};

class DocumentsOpensHomeTest : public DocumentsMenuTest,
                               public ::testing::WithParamInterface<Home> {};

TEST_P(DocumentsOpensHomeTest, ByMenuAndByShortcut) {
    const QString path = QDir(home.path()).filePath(QString::fromUtf8(GetParam().folder));
    ASSERT_TRUE(QDir().mkpath(path));
    HomeDirectory::setPath(path);
    const QList<QUrl> once{QUrl::fromLocalFile(path)};

    fileActions().first()->trigger();
    EXPECT_EQ(opened, once);
    EXPECT_EQ(opened.value(0).toLocalFile(), path);

    // Control+H typed into a field of the active window.
    opened.clear();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    QTest::keyClick(field, Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(opened, once);
    EXPECT_TRUE(field->text().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Homes, DocumentsOpensHomeTest,
                         ::testing::Values(  // Characters that mean something in a URL.
                             Home{"UrlCharacters", "a #1 100% ?x=y"}, Home{"NonAscii", "Grüße ✓"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

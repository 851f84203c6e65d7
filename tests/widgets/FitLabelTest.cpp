#include "widgets/FitLabel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"
#include "support/Wait.h"

namespace {

// The reading label in a shown window, noting the text it has at each of its paints.
class FitLabelTest : public ::testing::Test, public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.append(label->text());
        return false;
    }

    QWidget window;
    FitLabel* label = new FitLabel(&window);
    QStringList painted;
};

TEST_F(FitLabelTest, TakesEveryTextAtOncePaintsTheLastOfABurstAndTheSameTextNeverAgain) {
    label->setGeometry(0, 0, 320, 40);
    label->installEventFilter(this);
    window.show();
    QString last;
    for (int i = 0; i < 500; ++i) {
        last = QStringLiteral("%1.00 \u2103   50.00%").arg(10 + i % 90);
        label->setText(last);
        ASSERT_EQ(label->text(), last);
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(waitUntil([&] { return !painted.isEmpty() && painted.last() == last; }));
    painted.clear();
    label->setText(last);
    waitUntil([] { return false; }, true, 50);
    EXPECT_TRUE(painted.isEmpty());
}

}  // namespace

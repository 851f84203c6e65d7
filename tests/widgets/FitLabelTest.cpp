#include "widgets/FitLabel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

// The reading label in a shown window, with the text it had at each of its paints.
class FitLabelTest : public ::testing::Test, public QObject {
protected:
    void SetUp() override {
        window.resize(400, 100);
        label = new FitLabel(&window);
        label->setGeometry(0, 0, 320, 40);
        label->installEventFilter(this);
        window.show();
        settle();
        painted.clear();
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.append(label->text());
        return false;
    }

    // Runs the loop until nothing is left to paint (a held repaint included), or 5 s pass.
    void settle() {
        const QDeadlineTimer deadline(5000);
        do QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        while (!deadline.hasExpired() && (painted.isEmpty() || painted.last() != label->text()));
    }

    QWidget window;
    FitLabel* label = nullptr;
    QStringList painted;
};

TEST_F(FitLabelTest, OneChangeIsPaintedAtTheNextTurnOfTheLoopAndTheSameTextAgainNever) {
    const QString reading = QStringLiteral("23.45 \u2103   56.78%");
    label->setText(reading);
    QCoreApplication::processEvents();
    EXPECT_EQ(painted, QStringList{reading});
    painted.clear();
    label->setText(reading);
    QCoreApplication::processEvents();
    EXPECT_TRUE(painted.isEmpty());
}

TEST_F(FitLabelTest, EveryTextOfABurstIsTakenAtOnceAndTheLastIsPainted) {
    QString last;
    for (int i = 0; i < 500; ++i) {
        last = QStringLiteral("%1.00 \u2103   50.00%").arg(10 + i % 90);
        label->setText(last);
        ASSERT_EQ(label->text(), last);
        QCoreApplication::processEvents();
    }
    settle();
    ASSERT_FALSE(painted.isEmpty());
    EXPECT_EQ(painted.last(), last);
}

}  // namespace

#pragma once

#include "skin/UIBackGroundView.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "support/TempHome.h"

// The qir skin's background view filling an 800x600 window, shown and active, in a fresh home.
class ShownSkinView : public ::testing::Test {
protected:
    void SetUp() override {
        std::unique_ptr<UIBackGroundView> made = UIBackGroundView::initWithSkin("qir");
        ASSERT_NE(made, nullptr);
        view = made.release();
        view->setParent(&window);
        window.resize(800, 600);
        view->setFrame(QRectF(0, 0, 800, 600));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    TempHome home;
    QWidget window;
    UIBackGroundView* view = nullptr;
};

#pragma once

#include <QMainWindow>

class OrrinNavigationController;

// The application's one window; its central widget is the root container.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr) : QMainWindow(parent) {}

    OrrinNavigationController* rootViewController() const;
};

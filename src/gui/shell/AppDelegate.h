#pragma once

#include <QObject>

#include <memory>

class MainWindow;
class MenuBuilder;

// In Qt terms: a QObject that builds the File menu and turns window changes into lifecycle calls.
// Holds the main window and passes the window's comings and goings on to the
// temperature screen, the first controller of the window's root container.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;

    MainWindow* window() const { return mainWindow.get(); }
    void setWindow(std::unique_ptr<MainWindow> window);

    // The launch hook of the design; there is nothing for it to do here.
    bool didFinishLaunchingWithOptions() { return true; }
    // The window came back on screen.
    void applicationWillEnterForeground();
    // The window left the screen (minimised or hidden).
    void applicationWillResignActive();

    // Adds "Documents" (Control+H) at the top of the File menu.
    void buildMenuWithBuilder(MenuBuilder& builder);
    // Opens the home folder (not its Documents folder) in the desktop's file browser.
    void showDocuments();

private:
    std::unique_ptr<MainWindow> mainWindow;
};

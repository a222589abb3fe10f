#pragma once

#include <QObject>

// The application's controller: starts and stops the program, holds the
// folder slots, navigates songs and pages and dispatches every command of
// the command vocabulary. Its work is spread over files by concern
// (ControllerStartup.cpp, ControllerNavigation.cpp, ...).
class Controller : public QObject {
    Q_OBJECT
public:
    Controller();
    ~Controller() override;

    // Start-up, in the order the program needs (see ControllerStartup.cpp).
    void awakeFromNib();
    void applicationDidFinishLaunching();
    // Shut-down: saves the state, in order.
    void applicationWillTerminate();
};

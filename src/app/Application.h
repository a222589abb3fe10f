#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QApplication;
class QObject;
class QSocketNotifier;
class TolvaneAppDelegate;
class Controller;
namespace audio {
class MusicLibrary;
}
namespace platform {
class InstanceLock;
}

// Wires the program together: fonts, the user-defaults store, the delegate
// and the one Controller, whose start-up runs once the event loop is up.
class Application {
public:
    // `instance` holds the settings folder for this process and outlives the
    // Application, so the lock stays until the store is closed.
    Application(QApplication &app, platform::InstanceLock &instance);
    ~Application();

    // Runs the event loop; answers the exit code.
    int run();
    void start();
    void terminate();

    Controller *controller() const { return controller_.get(); }

    // The platform plugin to ask for before the application object exists:
    // "xcb" where both a Wayland and an X11 display are offered and none was
    // chosen, since only X11 lets a program place its windows on a screen;
    // "" to leave the choice to Qt.
    static QByteArray platformToRequest(bool platformChosen, bool waylandOffered, bool x11Offered);
    static void requestPlatform();

    // The folder of the settings store, to be held before anything opens it.
    static QString settingsFolder();
    // A start on a folder another process runs: asks that one to come to the
    // front, else says it runs, and writes nothing. Answers the exit code.
    static int deferToRunningInstance(const platform::InstanceLock &instance);

private:
    QApplication &app_;
    std::unique_ptr<TolvaneAppDelegate> delegate_;
    std::unique_ptr<Controller> controller_;
    std::unique_ptr<audio::MusicLibrary> musicLibrary_;
    std::unique_ptr<QObject> quitWatcher_;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
    bool starting_ = false;
    bool terminated_ = false;
};

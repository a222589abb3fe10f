#include "app/Application.h"
#include "platform/AtomicFile.h"
#include "platform/InstanceLock.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before anything is written (font caches included).
    platform::reportFileSizeLimitAsWriteError();
    Application::requestPlatform();
    QApplication app(argc, argv);
    // One program per settings folder, settled before anything opens the
    // store: a second one would write what it read over the first one's
    // changes.
    platform::InstanceLock instance(Application::settingsFolder());
    if (instance.state() == platform::InstanceLock::State::HeldElsewhere)
        return Application::deferToRunningInstance(instance);
    Application application(app, instance);
    return application.run();
}

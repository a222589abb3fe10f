#include "app/Application.h"
#include "platform/AtomicFile.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before anything is written (font caches included).
    platform::reportFileSizeLimitAsWriteError();
    Application::requestPlatform();
    QApplication app(argc, argv);
    Application application(app);
    return application.run();
}

#include "app/Application.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    Application::requestPlatform();
    QApplication app(argc, argv);
    Application application(app);
    return application.run();
}

#include "controller/Controller.h"

#include "platform/Log.h"

Controller::Controller() = default;

Controller::~Controller() = default;

void Controller::awakeFromNib()
{
    TLOG(QStringLiteral("Controller awakeFromNib"));
}

void Controller::applicationDidFinishLaunching()
{
    TLOG(QStringLiteral("Controller applicationDidFinishLaunching"));
}

void Controller::applicationWillTerminate()
{
    TLOG(QStringLiteral("Controller applicationWillTerminate"));
}

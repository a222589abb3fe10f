#include "app/TolvaneAppDelegate.h"

#include "platform/Log.h"

TolvaneAppDelegate::TolvaneAppDelegate(QObject *parent) : QObject(parent)
{
    TLOG(QStringLiteral("TolvaneAppDelegate init"));
}

void TolvaneAppDelegate::applicationDidFinishLaunching()
{
    TLOG(QStringLiteral("TolvaneAppDelegate applicationDidFinishLaunching"));
}

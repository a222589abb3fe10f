#include "app/Resources.h"

#include "platform/Fonts.h"
#include "platform/UserDefaults.h"

#include <QtGlobal>

void initTolvaneResources()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(help);
}

void initTolvaneRun(const QString &defaultsDatabasePath)
{
    initTolvaneResources();
    platform::loadBundledFonts();
    platform::UserDefaults::openStandard(defaultsDatabasePath);
}

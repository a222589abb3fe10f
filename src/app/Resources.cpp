#include "app/Resources.h"

#include <QtGlobal>

void initTolvaneResources()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    Q_INIT_RESOURCE(resources);
}

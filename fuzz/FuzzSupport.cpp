#include "FuzzSupport.h"

#include "app/Headless.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Lives for the whole run: the fuzzer exits without unwinding.
    static QApplication *app = makeHeadlessApplication(*argc, *argv).release();
    Q_UNUSED(app);
    return 0;
}

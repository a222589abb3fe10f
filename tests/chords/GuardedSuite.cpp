#include "support/TestSupport.h"

// No window asks the file system on the main thread for a file outside the program's own folders.
[[maybe_unused]] static const bool guarded = testsupport::guardEveryTest();

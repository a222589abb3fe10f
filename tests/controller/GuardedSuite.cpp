#include "support/TestSupport.h"

// The controller asks the file system on the main thread for no file outside the program's own folders.
[[maybe_unused]] static const bool guarded = testsupport::guardEveryTest();

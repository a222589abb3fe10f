#include "support/TestSupport.h"

// No editor, export or render reads a song on the main thread outside the program's own folders.
[[maybe_unused]] static const bool guarded = testsupport::guardEveryTest();

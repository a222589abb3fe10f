#include <gtest/gtest.h>

// Linked without the guard's exported hooks: Qt's calls pass it by, and the suite must fail for it.
TEST(GuardCutOff, WouldPassUnguarded) {}

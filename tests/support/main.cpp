// Test entry point shared by every test executable: a headless application
// with the bundled fonts and an in-memory user-defaults store.
#include "app/Headless.h"
#include "library/Data.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    const std::unique_ptr<QApplication> app = makeHeadlessApplication(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    Data::releaseAudioObjects();
    return result;
}

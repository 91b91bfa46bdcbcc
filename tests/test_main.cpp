#include <gtest/gtest.h>

#include "runtime/Settings.h"

int main(int argc, char** argv) {
    // Random colours are reproducible in tests; tests that need another seed set their own.
    runtime::setRandomSeed(20261208);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The bitmap tests' entry point; with the child flag it is the second process of the test of
// LoadFromBytes across processes.
#include "BitmapFixtures.h"

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], fixtures::kLoadFromBytesChildFlag) == 0) {
        return fixtures::RunLoadFromBytesChild(argc, argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

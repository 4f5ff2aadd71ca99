#include <gtest/gtest.h>

#include "common/TestMain.h"

int main(int argc, char** argv) {
    hfp::test::PrivateFolders folders;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

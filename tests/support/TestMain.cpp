#include "support/Descendants.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    corv::test::endEachTestsProcesses();
    return RUN_ALL_TESTS();
}

// The Linux bus's tests run under umockdev's preload: the program starts itself again under it.
// Where that cannot be done every test is skipped, with the reason.

#include <gtest/gtest.h>

#include "tests/linux/EmulatedKernelTest.h"
#include "tests/linux/testbed/Testbed.h"

std::string gEmulatedKernelUnavailable;

int main(int argc, char** argv) {
    std::string why;
    if (!testbed::RunUnderPreload(argv, &why)) gEmulatedKernelUnavailable = why;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

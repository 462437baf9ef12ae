#pragma once
// Base of every test that needs the emulated kernel: skipped, with the reason, where umockdev's
// preload cannot run.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "devsim/DeviceModel.h"
#include "tests/linux/testbed/EmulatedMirovan.h"
#include "tests/linux/testbed/Testbed.h"

// Empty when the preload runs; set by the tests' main.
extern std::string gEmulatedKernelUnavailable;

class EmulatedKernelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!gEmulatedKernelUnavailable.empty())
            GTEST_SKIP() << "the emulated kernel cannot run here: " << gEmulatedKernelUnavailable;
    }
};

// A testbed with a MirovanLE plugged in.
class EmulatedMirovanTest : public EmulatedKernelTest {
  protected:
    void SetUp() override {
        EmulatedKernelTest::SetUp();
        if (IsSkipped()) return;
        testbed = std::make_unique<testbed::Testbed>();
        mirovan = std::make_unique<testbed::EmulatedMirovan>(*testbed, model);
    }

    devsim::DeviceModel model;
    std::unique_ptr<testbed::Testbed> testbed;
    std::unique_ptr<testbed::EmulatedMirovan> mirovan;
};

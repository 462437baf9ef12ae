#pragma once
// Base of every test that needs the emulated kernel: skipped, with the reason, where umockdev's
// preload cannot run.

#include <gtest/gtest.h>

#include <string>

// Empty when the preload runs; set by the tests' main.
extern std::string gEmulatedKernelUnavailable;

class EmulatedKernelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!gEmulatedKernelUnavailable.empty())
            GTEST_SKIP() << "the emulated kernel cannot run here: " << gEmulatedKernelUnavailable;
    }
};

#pragma once
// A device plug-in, its wrapper and the device singleton over a simulated MirovanLE in the
// same process, open and settled, with the sleeps of the device code skipped.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/DeviceMessage.h"
#include "device/MirovanHAL.h"
#include "device/MirovanPlugin.h"
#include "devsim/DeviceModel.h"
#include "devsim/InProcessBus.h"
#include "platform/SleepHook.h"
#include "views/PPlugIn.h"

class DeviceFixture : public ::testing::Test {
  protected:
    explicit DeviceFixture(devsim::DeviceModelOptions options = {}) : model(options) {}

    void SetUp() override {
        previousSleep = platform::SetSleepFunction([](uint32_t) {});
        previousMessage =
            SetDeviceMessageFunction([](const char* text) { deviceMessages().push_back(text); });
        deviceMessages().clear();
        bus = std::make_unique<devsim::InProcessBus>(model);
        bus->Settle();
        MirovanHAL::Create();
        hal()->SetPlugin(&plugin);
        wrapper = std::make_unique<PPlugIn>(&plugin, nullptr);
    }

    void TearDown() override {
        MirovanHAL::Destroy();
        wrapper.reset();
        bus.reset();
        SetDeviceMessageFunction(previousMessage);
        platform::SetSleepFunction(previousSleep);
    }

    static MirovanHAL* hal() { return MirovanHAL::Get(); }

    void OpenDevice() {
        ASSERT_EQ(hal()->Open(), 0);
        ASSERT_TRUE(hal()->IsOpen());
        model.ClearWrites();
    }

    // The writes the device applied since the last call, as (register, value) pairs.
    std::vector<std::pair<uint32_t, uint32_t>> TakeWrites() {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (const devsim::RegisterWrite& w : model.TakeWrites()) out.emplace_back(w.id, w.value);
        return out;
    }

    // The last value written to a register since the last TakeWrites, or -1.
    static long LastWrite(const std::vector<std::pair<uint32_t, uint32_t>>& writes, uint32_t reg) {
        long value = -1;
        for (const auto& w : writes)
            if (w.first == reg) value = long(w.second);
        return value;
    }

    float Value(int index) { return wrapper->HostWantsParameterValue(index); }
    float UserValue(int index) { return wrapper->HostWantsParameterValueUnnormalised(index); }

    static std::vector<std::string>& deviceMessages() {
        static std::vector<std::string> messages;
        return messages;
    }

    devsim::DeviceModel model;
    std::unique_ptr<devsim::InProcessBus> bus;
    MirovanPlugin plugin;
    std::unique_ptr<PPlugIn> wrapper;

  private:
    platform::SleepFunction previousSleep = nullptr;
    DeviceMessageFunction previousMessage = nullptr;
};

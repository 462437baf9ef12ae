// The cost of one device step at 48 kHz over the in-process bus: with nothing changed (the
// common case, every 100 ms per window and at every idle pass) and after every mixer
// parameter changed (the whole layout goes out).

#include <benchmark/benchmark.h>

#include "device/MirovanHAL.h"
#include "device/MirovanPlugin.h"
#include "devsim/DeviceModel.h"
#include "devsim/InProcessBus.h"
#include "platform/RunLoop.h"
#include "platform/SleepHook.h"

namespace {

void NoSleep(uint32_t) {}

constexpr int kMeteringParameter = 72;

// An open device at 48 kHz with its first step done.
class OpenDevice {
  public:
    OpenDevice() : model(Options()), bus(model) {
        platform::SetSleepFunction(&NoSleep);
        model.SetClock([] { return 0.0; });
        bus.Settle();
        MirovanHAL::Create();
        MirovanHAL::Get()->SetPlugin(&plugin);
        opened = MirovanHAL::Get()->Open() == 0;
        MirovanHAL::Get()->StepAVC();
        model.ClearWrites();
    }
    ~OpenDevice() {
        MirovanHAL::Destroy();
        platform::RunMainRunLoopPending();
        platform::SetSleepFunction(nullptr);
    }

    static devsim::DeviceModelOptions Options() {
        devsim::DeviceModelOptions options;
        options.powerOnRate = 48000;
        return options;
    }

    devsim::DeviceModel model;
    devsim::InProcessBus bus;
    MirovanPlugin plugin;
    bool opened = false;
};

void BM_StepNothingChanged(benchmark::State& state) {
    OpenDevice device;
    if (!device.opened) {
        state.SkipWithError("the device did not open");
        return;
    }
    for (auto _ : state) MirovanHAL::Get()->StepAVC();
    state.counters["writes"] = benchmark::Counter(double(device.model.TakeWrites().size()),
                                                  benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StepNothingChanged);

void BM_StepEveryParameterChanged(benchmark::State& state) {
    OpenDevice device;
    if (!device.opened) {
        state.SkipWithError("the device did not open");
        return;
    }
    bool high = false;
    size_t writes = 0;
    for (auto _ : state) {
        // Every parameter but the metering switch flips between two values that give
        // different registers, so each step sends every register that can change: all but
        // the eight headphone gains of playback channels on the other side, always 0.
        high = !high;
        for (int i = 0; i < kMirovanParameterCount; ++i) {
            if (i == kMeteringParameter) continue;
            device.plugin.HostHasChangedParameter(i, high ? 0.8f : 0.05f);
        }
        MirovanHAL::Get()->StepAVC();
        writes += device.model.TakeWrites().size();
    }
    state.counters["writes"] =
        benchmark::Counter(double(writes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StepEveryParameterChanged);

}  // namespace

BENCHMARK_MAIN();

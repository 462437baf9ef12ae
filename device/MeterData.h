#pragma once

#include "device/MirovanHAL.h"

// The device's meter levels for the panels. Each device step polls the next two of the
// fourteen meter registers; a full sweep takes seven successful steps.
class MeterData : public MirovanHAL::Observer {
  public:
    static constexpr int kLevels = 18;

    MeterData();
    ~MeterData() override {}

    // Any device event clears the levels.
    void MirovanHALEvent(MirovanHAL::Event e) override;
    void reset();
    // Reads the next pair of meter registers: 2 on success, -1 on failure (the same pair is
    // read again next time).
    int execute();

    // 1.0 stands for the register value 0x80000000. Slots 6 to 9 are never polled.
    float level[kLevels];
    // The device's current sample rate, kept by the device object.
    float sampleRate;

  private:
    // Position of the sweep: 0, 2, ... 12. Each meter data has its own.
    int curMeter;
};

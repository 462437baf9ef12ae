#pragma once

#include <cstdint>
#include <vector>

class MirovanPlugin;

// Turns the device plug-in's parameters into the device's mixer registers. Every step it
// recomputes every gain and the three output control words, and sends only the registers
// whose value changed since it last queued them, in batches of at most 20. Rates up to 48000
// use the 48K register layout, higher rates the 96K layout.
class MixMatrix {
  public:
    // Gains are factors 0..1 times this; a register holds the truncated gain's low 16 bits.
    static constexpr float SCALE = 32767.0f;
    static constexpr int kMaxBatch = 20;
    static constexpr int kSides = 4;  // monitor left, monitor right, headphone left, right
    static constexpr int kPlaybackChannels = 8;
    static constexpr int kInputs = 6;
    static constexpr int kOutputPairs = 3;

    MixMatrix();
    virtual ~MixMatrix();

    // The per-step entry: recompute, queue what changed, send it. Nothing without a plug-in.
    void ThreadAction(MirovanPlugin* plugin);
    void RefreshMixMatrix(MirovanPlugin* plugin);
    void RefreshMixMatrix48K(MirovanPlugin* plugin);
    void RefreshMixMatrix96K(MirovanPlugin* plugin);
    void RefreshOutputs(MirovanPlugin* plugin);
    void GenerateAVC();
    void GenerateAVC48K();
    void GenerateAVC96K();
    void GenerateOpAVC();
    void StreamAVC();
    // Forgets what was sent, so the next step sends every register of the current layout.
    void FlushMixMatrix();
    void SetAC3(bool disable);
    // A zero rate changes nothing; any other rate is stored and flushes.
    void SampleRateChanged(float rate);

    float sampleRate;
    float playback48[kSides][kPlaybackChannels];
    float playback48Sent[kSides][kPlaybackChannels];
    float input48[kSides][kInputs];
    float input48Sent[kSides][kInputs];
    float input96[kInputs];
    float input96Sent[kInputs];
    float playback96[2][2];
    float playback96Sent[2][2];
    float balance96[2];
    float balance96Sent[2];
    int32_t outputWords[kOutputPairs];
    int32_t outputWordsSent[kOutputPairs];
    // Register writes queued during the current step: (register id, value) pairs, flat.
    std::vector<int32_t> pending;

  private:
    bool _Is48K() const;
    void _Queue(int32_t id, int32_t value);
};

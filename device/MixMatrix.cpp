#include "device/MixMatrix.h"

#include <cmath>

#include "device/AVCMsg.h"
#include "device/MirovanHAL.h"
#include "device/MirovanPlugin.h"

namespace {

// Register offset of each mix side, and the device column of each playback channel and input.
constexpr int32_t rowbase[4] = {0, 2, 1, 3};
constexpr int32_t colmap[8] = {0, 4, 1, 5, 2, 6, 3, 7};
constexpr int32_t inmap[6] = {0, 3, 1, 4, 2, 5};

constexpr float kHighest48KRate = 48000.0f;
constexpr float kNotSent = -1.0f;
constexpr int32_t kWordNotSent = -1;

// Parameter indices.
constexpr int kBalanceMonitor = 0;  // + m: the mix's input/playback balance
constexpr int kMuteFirst = 2;       // + k: mute of output pair k
constexpr int kDim = 5;
constexpr int kOutputLevelFirst = 6;  // + k: level of output pair k
constexpr int kPlaybackFirst = 9;     // + 4m + j: playback pair j into mix m
constexpr int kInputLevelFirst = 17;  // + 12m + k
constexpr int kInputPanFirst = 23;    // + 12m + k
constexpr int kLevelLink = 49;
constexpr int kMonoMonitor = 63;
constexpr int kInput96First = 65;  // + k

// Registers.
constexpr int32_t kInput48Base = 32;
constexpr int32_t kInput96Base = 66;
constexpr int32_t kBalance96Base = 72;   // + 3m
constexpr int32_t kPlayback96Base = 73;  // + 3m + j
constexpr int32_t kMirrorOffset = 6;     // 72-77 are mirrored into 78-83
constexpr int32_t kOutputWordBase = 87;

constexpr int32_t kDimSteps = 36;
constexpr int32_t kMuteBit = 0x2000000;

// A parameter's normalised value brought into 0..1 (NaN reads as 0), so that no computed gain
// or word can leave its register field whatever a mix file or a host stored.
float Param(MirovanPlugin* plugin, int index) {
    const float v = plugin->HostWantsParameterValue(index);
    if (!(v > 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

bool IsOn(MirovanPlugin* plugin, int index) {
    return static_cast<double>(Param(plugin, index)) > 0.1;
}

// The balance law: rises to full gain at the centre and stays there.
float L(float x) {
    return x < 0.5f ? 2.0f * x : 1.0f;
}

int32_t RegisterValue(float gain) {
    return static_cast<int32_t>(gain) & 0xFFFF;
}

}  // namespace

MixMatrix::MixMatrix() : sampleRate(0.0f) {
    FlushMixMatrix();
}

MixMatrix::~MixMatrix() {}

bool MixMatrix::_Is48K() const {
    return sampleRate <= kHighest48KRate;
}

void MixMatrix::ThreadAction(MirovanPlugin* plugin) {
    if (plugin == nullptr) return;
    RefreshMixMatrix(plugin);
    RefreshOutputs(plugin);
    pending.clear();
    GenerateAVC();
    GenerateOpAVC();
    StreamAVC();
}

void MixMatrix::RefreshMixMatrix(MirovanPlugin* plugin) {
    if (_Is48K())
        RefreshMixMatrix48K(plugin);
    else
        RefreshMixMatrix96K(plugin);
}

void MixMatrix::RefreshMixMatrix48K(MirovanPlugin* plugin) {
    if (plugin == nullptr) return;
    for (int m = 0; m < 2; ++m) {
        const float bal = Param(plugin, kBalanceMonitor + m);
        for (int k = 0; k < kInputs; ++k) {
            const float lev = Param(plugin, kInputLevelFirst + 12 * m + k);
            const float pan = Param(plugin, kInputPanFirst + 12 * m + k);
            input48[2 * m][k] = (L(1.0f - bal) * (L(1.0f - pan) * lev)) * SCALE;
            input48[2 * m + 1][k] = (L(1.0f - bal) * (L(pan) * lev)) * SCALE;
        }
        for (int c = 0; c < kPlaybackChannels; ++c) {
            const float pb = Param(plugin, kPlaybackFirst + 4 * m + c / 2);
            const float left = (c % 2 == 0) ? 1.0f : 0.0f;
            const float right = 1.0f - left;
            playback48[2 * m][c] = (L(bal) * (left * pb)) * SCALE;
            playback48[2 * m + 1][c] = (L(bal) * (right * pb)) * SCALE;
        }
    }
    if (IsOn(plugin, kMonoMonitor)) {
        for (int k = 0; k < kInputs; ++k) {
            const float mean = (input48[0][k] + input48[1][k]) * 0.5f;
            input48[0][k] = mean;
            input48[1][k] = mean;
        }
        for (int c = 0; c < kPlaybackChannels; ++c) {
            const float mean = (playback48[0][c] + playback48[1][c]) * 0.5f;
            playback48[0][c] = mean;
            playback48[1][c] = mean;
        }
    }
}

void MixMatrix::RefreshMixMatrix96K(MirovanPlugin* plugin) {
    if (plugin == nullptr) return;
    for (int k = 0; k < kInputs; ++k) input96[k] = Param(plugin, kInput96First + k) * SCALE;
    for (int m = 0; m < 2; ++m) {
        const float a = Param(plugin, kBalanceMonitor + m);
        balance96[m] = L(1.0f - a) * SCALE;
        playback96[m][0] = (L(a) * Param(plugin, kPlaybackFirst + 4 * m)) * SCALE;
        playback96[m][1] = (L(a) * Param(plugin, kPlaybackFirst + 4 * m + 1)) * SCALE;
    }
}

void MixMatrix::RefreshOutputs(MirovanPlugin* plugin) {
    if (plugin == nullptr) return;
    const bool link = IsOn(plugin, kLevelLink);
    int32_t dim = IsOn(plugin, kDim) ? kDimSteps : 0;
    for (int k = 0; k < kOutputPairs; ++k) {
        const float level = Param(plugin, kOutputLevelFirst + k);
        const bool mute = IsOn(plugin, kMuteFirst + k);
        const float x = mute ? 0.0f : level;
        // The fader law: the attenuation byte follows the eighth root of the level.
        const int32_t a = static_cast<int32_t>(
            static_cast<double>(static_cast<float>(std::pow(static_cast<double>(x), 0.125))) *
            255.0);
        int32_t w = ((255 - a) & 0xFF) + dim;
        if (w >= 256) w = 255;
        if (mute) w |= kMuteBit;
        outputWords[k] = w;
        if (!link) dim = 0;
    }
}

void MixMatrix::GenerateAVC() {
    if (_Is48K())
        GenerateAVC48K();
    else
        GenerateAVC96K();
}

void MixMatrix::_Queue(int32_t id, int32_t value) {
    pending.push_back(id);
    pending.push_back(value);
}

void MixMatrix::GenerateAVC48K() {
    for (int r = 0; r < kSides; ++r) {
        for (int c = 0; c < kPlaybackChannels; ++c) {
            if (playback48[r][c] != playback48Sent[r][c]) {
                _Queue(rowbase[r] + 4 * colmap[c], RegisterValue(playback48[r][c]));
                playback48Sent[r][c] = playback48[r][c];
            }
        }
        for (int c = 0; c < kInputs; ++c) {
            if (input48[r][c] != input48Sent[r][c]) {
                _Queue(kInput48Base + rowbase[r] + 4 * inmap[c], RegisterValue(input48[r][c]));
                input48Sent[r][c] = input48[r][c];
            }
        }
    }
}

void MixMatrix::GenerateAVC96K() {
    for (int m = 0; m < 2; ++m) {
        for (int j = 0; j < 2; ++j) {
            if (playback96[m][j] != playback96Sent[m][j]) {
                const int32_t v = RegisterValue(playback96[m][j]);
                _Queue(kPlayback96Base + 3 * m + j, v);
                _Queue(kPlayback96Base + kMirrorOffset + 3 * m + j, v);
                playback96Sent[m][j] = playback96[m][j];
            }
        }
        if (balance96[m] != balance96Sent[m]) {
            const int32_t v = RegisterValue(balance96[m]);
            _Queue(kBalance96Base + 3 * m, v);
            _Queue(kBalance96Base + kMirrorOffset + 3 * m, v);
            balance96Sent[m] = balance96[m];
        }
    }
    for (int k = 0; k < kInputs; ++k) {
        if (input96[k] != input96Sent[k]) {
            _Queue(kInput96Base + inmap[k], RegisterValue(input96[k]));
            input96Sent[k] = input96[k];
        }
    }
}

void MixMatrix::GenerateOpAVC() {
    for (int k = 0; k < kOutputPairs; ++k) {
        if (outputWords[k] != outputWordsSent[k]) {
            _Queue(kOutputWordBase + k, outputWords[k]);
            outputWordsSent[k] = outputWords[k];
        }
    }
}

void MixMatrix::StreamAVC() {
    size_t n = pending.size() / 2;
    size_t next = 0;
    while (n != 0) {
        const size_t count = n <= size_t(kMaxBatch) ? n : size_t(kMaxBatch);
        AVCMsg msgs[kMaxBatch];
        for (size_t i = 0; i < count; ++i, ++next) {
            msgs[i].id = static_cast<uint32_t>(pending[2 * next]);
            msgs[i].value = static_cast<uint32_t>(pending[2 * next + 1]);
        }
        MirovanHAL::Get()->SetValuesDirect(msgs, count);
        n -= count;
    }
    pending.clear();
}

void MixMatrix::FlushMixMatrix() {
    for (int r = 0; r < kSides; ++r) {
        for (int c = 0; c < kPlaybackChannels; ++c) {
            playback48[r][c] = 0.0f;
            playback48Sent[r][c] = kNotSent;
        }
        for (int c = 0; c < kInputs; ++c) {
            input48[r][c] = 0.0f;
            input48Sent[r][c] = kNotSent;
        }
    }
    for (int k = 0; k < kInputs; ++k) {
        input96[k] = 0.0f;
        input96Sent[k] = kNotSent;
    }
    for (int m = 0; m < 2; ++m) {
        for (int j = 0; j < 2; ++j) {
            playback96[m][j] = 0.0f;
            playback96Sent[m][j] = kNotSent;
        }
        balance96[m] = 0.0f;
        balance96Sent[m] = kNotSent;
    }
    for (int k = 0; k < kOutputPairs; ++k) {
        outputWords[k] = 0;
        outputWordsSent[k] = kWordNotSent;
    }
    pending.clear();
}

void MixMatrix::SetAC3(bool /*disable*/) {
    FlushMixMatrix();
}

void MixMatrix::SampleRateChanged(float rate) {
    if (rate == 0.0f) return;
    sampleRate = rate;
    FlushMixMatrix();
}

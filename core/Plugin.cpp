#include "core/Plugin.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t FourCharCode(const char (&code)[5]) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

}  // namespace

Plugin::Plugin(const ParameterDefinition* table_, unsigned long count_)
    : host(nullptr), table(table_), count(table_ != nullptr ? count_ : 0), depth(0) {
    params.reserve(count);
    for (unsigned long i = 0; i < count; ++i) params.push_back(new Parameter(&table[i]));
}

Plugin::~Plugin() {
    for (Parameter* p : params) delete p;
    params.clear();
}

int32_t Plugin::GetFourCharMfr() {
    return FourCharCode("ZNTQ");
}
int32_t Plugin::GetFourCharID() {
    return FourCharCode("wqdj");
}
int32_t Plugin::GetFourCharVersion() {
    return 0x00010000;
}

void Plugin::ProcessMIDI(char*, int) {}

void Plugin::ProcessAudio(float** in, int inStride, int channels, int frames, float** out,
                          int outStride, int) {
    if (in == nullptr || out == nullptr || frames <= 0) return;
    for (int c = 0; c < channels; ++c) {
        if (in[c] == nullptr || out[c] == nullptr) continue;
        for (int j = 0; j < frames; ++j) {
            out[c][static_cast<long>(j) * outStride] = in[c][static_cast<long>(j) * inStride];
        }
    }
}

void Plugin::SetPluginInterface(PPluginInterface* newHost) {
    host = newHost;
}
PPluginInterface* Plugin::GetPluginInterface() {
    return host;
}

Parameter* Plugin::ParameterAt(int index) const {
    // The count is compared as a signed 32-bit number, as every index test of the plug-in does.
    if (index < 0 || index >= static_cast<int32_t>(count)) return nullptr;
    if (static_cast<size_t>(index) >= params.size()) return nullptr;
    return params[static_cast<size_t>(index)];
}

void Plugin::HostHasChangedParameter(int index, float t) {
    Parameter* p = ParameterAt(index);
    if (p == nullptr) return;
    p->value = t;  // stored as given: no clamping, no law
    NotifyParameterHasChanged(index, false);
}

float Plugin::HostWantsParameterValue(int index) {
    Parameter* p = ParameterAt(index);
    return p != nullptr ? p->value : 0.0f;
}

void Plugin::HostHasChangedParameterUnnormalised(int index, float x) {
    Parameter* p = ParameterAt(index);
    if (p == nullptr) return;
    p->SetUnNormalisedValue(x);
    NotifyParameterHasChanged(index, false);
}

float Plugin::HostWantsParameterValueUnnormalised(int index) {
    Parameter* p = ParameterAt(index);
    return p != nullptr ? p->GetUnNormalisedValue() : 0.0f;
}

void Plugin::GetParameterName(int index, char* buf, unsigned long len) {
    if (buf == nullptr || index < 0 || index >= static_cast<int32_t>(count)) return;
    // strncpy semantics, but never reading past the row's 64 name bytes.
    const char* name = table[index].name;
    const size_t nameLength = strnlen(name, sizeof table[index].name);
    const size_t copied = nameLength < len ? nameLength : len;
    std::memcpy(buf, name, copied);
    if (copied < len) std::memset(buf + copied, 0, len - copied);
}

void Plugin::NotifyParameterHasChanged(int index, bool tellHost) {
    if (tellHost && host != nullptr) host->ParameterHasChanged(index);
    NotifyParameterObservers(index);
}

void Plugin::NotifyParameterObservers(int index) {
    ++depth;
    // Observers appended during the pass wait for the next one. Entries are read by position at
    // their turn, so one removed earlier in this pass (now NULL) is skipped.
    const size_t n = observers.size();
    for (size_t k = 0; k < n && k < observers.size(); ++k) {
        ParameterObserver* o = observers[k];
        if (o != nullptr) o->NotifyParameterChanged(index);
    }
    --depth;
    // Positions must not move while any pass runs; the outermost pass compacts the list.
    if (depth <= 0) std::erase(observers, nullptr);
}

void Plugin::RemoveParameterObserver(const ParameterObserver* o) {
    for (ParameterObserver*& entry : observers) {
        if (entry == o) entry = nullptr;
    }
}

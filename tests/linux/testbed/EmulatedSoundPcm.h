#pragma once
// One PCM device of the emulated card in one direction, with one substream: what alsa-lib sends
// to open it non-blocking, refine and set its hardware parameters, prepare, free and close it,
// and the substream's status and hw_params files in /proc/asound.
//
// A client holds the substream from its open until it closes the node or dies; an open
// meanwhile is refused with EBUSY, as the kernel refuses a non-blocking open of a taken
// substream. umockdev reports an open (client-connected) a moment after it happened and never
// a close, so the card also tells its PCMs of the kernel's inotify events on their nodes, and
// asks them every few milliseconds to look for clients that umockdev finds gone (Reap): /proc
// then follows opens and closes about as the kernel's does.

#include <sys/types.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "devsim/DeviceModel.h"
#include "tests/linux/testbed/Testbed.h"

namespace testbed {

class EmulatedSoundPcm;

// Puts text into a fixed field of a kernel structure: cut to fit, NUL-padded.
template <size_t N>
void CopyKernelText(unsigned char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// What the PCMs of one card share; every field but the references is guarded by `mutex`.
struct SoundCardShared {
    SoundCardShared(Testbed& bed, devsim::DeviceModel& model, int number)
        : testbed(bed), device(model), card(number) {}

    std::mutex mutex;
    Testbed& testbed;
    devsim::DeviceModel& device;
    const int card;
    bool removed = false;   // every request on an open node fails with ENODEV
    bool busy = false;      // every new open of a PCM is refused with EBUSY
    int hwParamsError = 0;  // HW_PARAMS fails with it and changes nothing
    uint32_t opens = 0;     // opens of the card's PCMs
    std::vector<EmulatedSoundPcm*> pcms;
};

class EmulatedSoundPcm : public IoctlHandler {
  public:
    EmulatedSoundPcm(SoundCardShared& card, int device, bool capture);
    ~EmulatedSoundPcm() override;

    // The node's name under /dev ("snd/pcmC1D0p").
    std::string Node() const;
    // The rate of the stream set up on the substream, 0 when none. With the card's mutex held.
    uint32_t StreamRateLocked() const;
    // The node was opened, or closed, as the kernel tells. With the card's mutex held.
    void NodeOpenedLocked();
    void NodeClosedLocked();
    // Lets the substream go when its client closed the node or died. With the mutex held.
    void ReapLocked();
    // Writes the substream's /proc files as its state is. With the mutex held.
    void WriteProcLocked();

  protected:
    bool Ioctl(Request& request) override;

  private:
    enum class State { Closed, Open, Setup, Prepared };

    static void OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);
    void Connected(UMockdevIoctlClient* client);
    // The request of the substream's holder; the rate it set up, when it did, in *setRate.
    int Serve(Request& request, uint32_t* setRate);
    void ReleaseLocked();
    std::string ProcFolder() const;

    SoundCardShared& card_;
    const int device_;
    const bool capture_;
    std::vector<UMockdevIoctlClient*> clients_;  // referenced until they are gone
    UMockdevIoctlClient* holder_ = nullptr;
    bool opening_ = false;  // opened, and the opener's client not connected yet
    State state_ = State::Closed;
    uint32_t rate_ = 0;
    pid_t owner_ = 0;
    uint64_t applPtr_ = 0;
    uint64_t availMin_ = 1;
};

}  // namespace testbed

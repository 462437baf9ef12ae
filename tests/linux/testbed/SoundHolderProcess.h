#pragma once
// Another program holding a PCM of a card: a child process under the preload (this test program
// started again) that opens hw:CARD,DEVICE through alsa-lib (non-blocking, as audio servers
// do), sets a stream up at a rate when asked, and keeps it until it is released or killed. A
// child left behind ends itself after a minute.

#include <sys/types.h>

#include <cstdint>

namespace testbed {

class SoundHolderProcess {
  public:
    struct Options {
        int card = 1;
        int device = 0;
        bool capture = false;
        uint32_t rate = 0;  // 0: open only, without setting a stream up
    };

    // Returns once the child holds the PCM or has given up (Result).
    explicit SoundHolderProcess(const Options& options);
    // Kills the child when it still runs.
    ~SoundHolderProcess();
    SoundHolderProcess(const SoundHolderProcess&) = delete;
    SoundHolderProcess& operator=(const SoundHolderProcess&) = delete;

    // 0 when the child holds the PCM (set up when a rate was asked), else alsa-lib's negative
    // error; -ETIMEDOUT when the child did not answer in time.
    int Result() const { return result_; }

    // The child closes the PCM and exits; returns once it has.
    void Release();
    // The child dies without closing anything; returns once it has.
    void Kill();

  private:
    void Wait();

    pid_t pid_ = -1;
    int command_ = -1;  // the write end the child waits on
    int result_ = 0;
};

}  // namespace testbed

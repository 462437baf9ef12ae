#pragma once
// inotify on /dev/snd: tells when a program opened or closed a PCM node, which is when a card's
// substreams are worth looking at again. The folder exists only while a card does, so it is
// watched again whenever a card may have come (Arm).

namespace platform {

class SoundNodeWatch {
  public:
    SoundNodeWatch();
    ~SoundNodeWatch();
    SoundNodeWatch(const SoundNodeWatch&) = delete;
    SoundNodeWatch& operator=(const SoundNodeWatch&) = delete;

    // Watches /dev/snd when it is not watched and is there.
    void Arm();
    // Readable when events are queued; -1 without inotify.
    int Fd() const { return fd_; }
    // Takes every queued event; true when one was about a PCM node.
    bool TakeEvents();

  private:
    int fd_;
    int watch_ = -1;
};

}  // namespace platform

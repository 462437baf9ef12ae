#pragma once
// System sleep notifications from systemd-logind. While one is watching, the program holds
// a delay inhibitor, so the sleep waits until the handler has run (it closes the device);
// the inhibitor is released then and taken again after waking. Without a system bus or
// without logind nothing happens and nothing is reported.

#include <functional>

namespace platform {

class SleepNotifier {
  public:
    // willSleep runs on the main thread when the system is about to sleep.
    explicit SleepNotifier(std::function<void()> willSleep);
    ~SleepNotifier();

    SleepNotifier(const SleepNotifier&) = delete;
    SleepNotifier& operator=(const SleepNotifier&) = delete;

    // What logind's PrepareForSleep signal delivers: true before sleep, false after waking.
    // Public so tests can drive it without a system bus.
    void PrepareForSleep(bool sleeping);

    bool Watching() const { return subscription != 0; }
    bool HoldsInhibitor() const { return inhibitorFd >= 0; }

  private:
    void TakeInhibitor();
    void ReleaseInhibitor();
    static void OnSignal(void* connection, const char* sender, const char* path,
                         const char* interface, const char* signal, void* parameters, void* self);
    static void OnInhibitReply(void* source, void* result, void* self);

    std::function<void()> willSleep;
    void* bus = nullptr;          // GDBusConnection*
    void* cancellable = nullptr;  // GCancellable* of the pending inhibitor request
    unsigned subscription = 0;
    int inhibitorFd = -1;
};

}  // namespace platform

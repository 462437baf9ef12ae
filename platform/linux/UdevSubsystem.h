#pragma once
// One of udev's subsystems: its devices as udev lists them now, and udev's reports of them
// coming, changing and going. Without udev (no udev, or no socket for its reports) it lists
// nothing and reports nothing.

#include <functional>

struct udev;
struct udev_device;
struct udev_monitor;

namespace platform {

class UdevSubsystem {
  public:
    explicit UdevSubsystem(const char* subsystem);
    ~UdevSubsystem();
    UdevSubsystem(const UdevSubsystem&) = delete;
    UdevSubsystem& operator=(const UdevSubsystem&) = delete;

    // Readable when udev reported a device; -1 without a monitor.
    int Fd() const;
    // Takes the reports waiting, a bounded number at one go so that a flood cannot hold the
    // caller, handing each one's action ("add", "change", "remove") and device to `report`.
    // True when there was any.
    bool TakeReports(const std::function<void(const char* action, udev_device* device)>& report);
    // Hands the subsystem's devices to `each`, in udev's order, until it answers false; a
    // listing beyond any real machine's is cut short.
    void ForEachDevice(const std::function<bool(udev_device* device)>& each);

  private:
    const char* const subsystem_;
    udev* udev_;
    udev_monitor* monitor_ = nullptr;
};

}  // namespace platform

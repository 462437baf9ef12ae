#include "platform/linux/UdevSubsystem.h"

#include <libudev.h>

#include <cstddef>

namespace platform {
namespace {

// Far more than any machine's devices of one subsystem.
constexpr size_t kMaxDevices = 4096;
constexpr int kMaxReportsPerTake = 256;

}  // namespace

UdevSubsystem::UdevSubsystem(const char* subsystem) : subsystem_(subsystem), udev_(udev_new()) {
    if (!udev_) return;
    // Reports after udev has handled the device (made its node, applied its rules).
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, subsystem_, nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

UdevSubsystem::~UdevSubsystem() {
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

int UdevSubsystem::Fd() const {
    return monitor_ ? udev_monitor_get_fd(monitor_) : -1;
}

bool UdevSubsystem::TakeReports(
    const std::function<void(const char* action, udev_device* device)>& report) {
    if (!monitor_) return false;
    bool any = false;
    // The monitor's socket does not block: it answers null once it is empty.
    for (int i = 0; i < kMaxReportsPerTake; ++i) {
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (!device) break;
        const char* action = udev_device_get_action(device);
        report(action ? action : "", device);
        udev_device_unref(device);
        any = true;
    }
    return any;
}

void UdevSubsystem::ForEachDevice(const std::function<bool(udev_device* device)>& each) {
    if (!udev_) return;
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    if (!enumerate) return;
    if (udev_enumerate_add_match_subsystem(enumerate, subsystem_) >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        size_t seen = 0;
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            if (++seen > kMaxDevices) break;
            udev_device* device =
                udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (!device) continue;
            const bool more = each(device);
            udev_device_unref(device);
            if (!more) break;
        }
    }
    udev_enumerate_unref(enumerate);
}

}  // namespace platform

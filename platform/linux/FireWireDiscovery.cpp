#include "platform/linux/FireWireDiscovery.h"

#include <libudev.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/DeviceBus.h"

namespace platform {
namespace {

constexpr const char* kSubsystem = "firewire";

// udev shows the GUID as "0x" and 16 hex digits.
bool ParseGuid(const char* text, uint64_t* guid) {
    if (!text || std::strncmp(text, "0x", 2) != 0 || std::strlen(text) != 18) return false;
    for (const char* c = text + 2; *c; ++c)
        if (!std::isxdigit(static_cast<unsigned char>(*c))) return false;
    *guid = std::strtoull(text + 2, nullptr, 16);
    return true;
}

// A sysfs text attribute, as udev gives it: the value without its final newline.
bool AttributeIs(const char* value, const char* wanted) {
    return value && std::strcmp(value, wanted) == 0;
}

}  // namespace

bool IsDeviceNode(const char* isLocal, const char* vendorName, const char* modelName,
                  const char* guid, uint64_t* parsedGuid) {
    uint64_t value = 0;
    if (AttributeIs(isLocal, "1") || !AttributeIs(vendorName, kDeviceManufacturer) ||
        !AttributeIs(modelName, kDeviceProduct) || !ParseGuid(guid, &value) || !IsDeviceGuid(value))
        return false;
    if (parsedGuid) *parsedGuid = value;
    return true;
}

FireWireDiscovery::FireWireDiscovery() : udev_(udev_new()) {
    if (!udev_) return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ &&
        (udev_monitor_filter_add_match_subsystem_devtype(monitor_, kSubsystem, nullptr) < 0 ||
         udev_monitor_enable_receiving(monitor_) < 0)) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

FireWireDiscovery::~FireWireDiscovery() {
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

int FireWireDiscovery::Fd() const {
    return monitor_ ? udev_monitor_get_fd(monitor_) : -1;
}

bool FireWireDiscovery::TakeEvents(std::set<std::string>* removed) {
    if (!monitor_) return false;
    bool any = false;
    // The monitor's socket is non-blocking: it answers null once it is empty.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        any = true;
        const char* action = udev_device_get_action(device);
        if (removed && action && std::strcmp(action, "remove") == 0)
            removed->insert(udev_device_get_syspath(device));
        udev_device_unref(device);
    }
    return any;
}

std::optional<FireWireCandidate> FireWireDiscovery::Find() {
    if (!udev_) return std::nullopt;
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    if (!enumerate) return std::nullopt;
    std::optional<FireWireCandidate> found;
    if (udev_enumerate_add_match_subsystem(enumerate, kSubsystem) >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            udev_device* device =
                udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (!device) continue;
            // Unit directories (fw1.0) have no device node.
            const char* devnode = udev_device_get_devnode(device);
            uint64_t guid = 0;
            if (devnode && IsDeviceNode(udev_device_get_sysattr_value(device, "is_local"),
                                        udev_device_get_sysattr_value(device, "vendor_name"),
                                        udev_device_get_sysattr_value(device, "model_name"),
                                        udev_device_get_sysattr_value(device, "guid"), &guid))
                found = FireWireCandidate{udev_device_get_syspath(device), devnode, guid};
            udev_device_unref(device);
            if (found) break;
        }
    }
    udev_enumerate_unref(enumerate);
    return found;
}

}  // namespace platform

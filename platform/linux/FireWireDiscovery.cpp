#include "platform/linux/FireWireDiscovery.h"

#include <libudev.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/DeviceBus.h"

namespace platform {
namespace {

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

FireWireDiscovery::FireWireDiscovery() : nodes_("firewire") {}

bool FireWireDiscovery::TakeEvents(std::set<std::string>* removed) {
    return nodes_.TakeReports([&](const char* action, udev_device* device) {
        if (removed && std::strcmp(action, "remove") == 0)
            removed->insert(udev_device_get_syspath(device));
    });
}

std::optional<FireWireCandidate> FireWireDiscovery::Find() {
    std::optional<FireWireCandidate> found;
    nodes_.ForEachDevice([&](udev_device* device) {
        // Unit directories (fw1.0) have no device node.
        const char* devnode = udev_device_get_devnode(device);
        uint64_t guid = 0;
        if (devnode && IsDeviceNode(udev_device_get_sysattr_value(device, "is_local"),
                                    udev_device_get_sysattr_value(device, "vendor_name"),
                                    udev_device_get_sysattr_value(device, "model_name"),
                                    udev_device_get_sysattr_value(device, "guid"), &guid))
            found = FireWireCandidate{udev_device_get_syspath(device), devnode, guid};
        return !found;
    });
    return found;
}

}  // namespace platform

#pragma once
// The bus-facing side of the device registry: services are published when a device appears
// and terminated when it goes. Used by the installed device bus's presence handling.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/DeviceRegistry.h"

namespace platform {

struct ServiceDescription {
    std::string serviceClass;
    std::vector<std::pair<std::string, std::string>> strings;
    std::vector<std::pair<std::string, uint64_t>> numbers;
};

// Adds a service under `parent` (0 for a root). Matching notifications whose dictionary it
// satisfies take it into their iterator and have their callback queued to the main run loop.
RegistryEntry RegistryPublish(RegistryEntry parent, const ServiceDescription& description);

// Removes a service and everything below it. Each interest notification on one of them gets
// kMessageServiceIsTerminated, queued to the main run loop. Removed entries are never reused.
void RegistryTerminate(RegistryEntry entry);

}  // namespace platform

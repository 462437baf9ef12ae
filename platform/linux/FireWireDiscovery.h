#pragma once
// Finds the MirovanLE among the kernel's FireWire nodes through udev, and says when the
// nodes change. A node is the device when it has a device node, is not the local node (the
// computer's own controller), its config ROM's texts name "Kestrovel" and "MirovanLE", and its
// GUID is the device's; of several, the first that udev lists.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "platform/linux/UdevSubsystem.h"

namespace platform {

struct FireWireCandidate {
    std::string syspath;
    std::string devnode;
    uint64_t guid = 0;
    bool operator==(const FireWireCandidate&) const = default;
};

// Whether a node's sysfs attributes are the device's (null for an attribute it lacks).
bool IsDeviceNode(const char* isLocal, const char* vendorName, const char* modelName,
                  const char* guid, uint64_t* parsedGuid);

class FireWireDiscovery {
  public:
    FireWireDiscovery();

    // The fd that polls readable when a FireWire node was added, changed or removed; -1
    // without udev.
    int Fd() const { return nodes_.Fd(); }
    // Takes the events waiting on Fd(); true when any came. The nodes removed are added to
    // `removed`.
    bool TakeEvents(std::set<std::string>* removed);
    // The device as udev lists the nodes now.
    std::optional<FireWireCandidate> Find();

  private:
    UdevSubsystem nodes_;
};

}  // namespace platform

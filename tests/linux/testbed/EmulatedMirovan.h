#pragma once
// The machine with a MirovanLE plugged in, as the kernel shows it: the computer's own FireWire
// node (fw0), the device's node with its unit directory and the unit's sound card, and
// hot-plug. Each plug is a node of
// a new name (fw1, fw2, ...), as the kernel numbers a node found again after it dropped it; a
// quick re-plug keeps the node and only resets the bus.

#include <memory>
#include <string>

#include "devsim/DeviceModel.h"
#include "tests/linux/testbed/EmulatedFireWireNode.h"
#include "tests/linux/testbed/EmulatedSoundCard.h"
#include "tests/linux/testbed/Testbed.h"

namespace testbed {

class EmulatedMirovan {
  public:
    // Adds the local node, and the device's when the model is plugged. A second device on the
    // same bus numbers its nodes from `firstNode`, adds no local node and has its own sound
    // card number.
    EmulatedMirovan(Testbed& testbed, devsim::DeviceModel& model, int firstNode = 1,
                    int cardNumber = 1);
    ~EmulatedMirovan();

    // A new node of the device (plugs the model too).
    void Plug();
    // The node leaves the bus and the kernel drops it: its fds fail with ENODEV and hang up,
    // then udev hears "remove" (unplugs the model too).
    void Unplug();
    // Pulled and plugged back before the kernel dropped the node: the same node, two bus resets.
    void QuickReplug();

    EmulatedFireWireNode* Node() { return node_.get(); }
    EmulatedSoundCard* Card() { return card_.get(); }
    const std::string& NodeSyspath() const { return nodeSyspath_; }
    // "/dev/fw1"
    std::string Devnode() const;

    // Sysfs attributes of a node that is the device, to build others from.
    static Pairs DeviceAttributes(uint64_t guid);

  private:
    Testbed& testbed_;
    devsim::DeviceModel& model_;
    int nextNumber_ = 1;
    const int cardNumber_;
    std::string devnodeName_;
    std::string nodeSyspath_;
    std::string unitSyspath_;
    std::unique_ptr<EmulatedFireWireNode> node_;
    std::unique_ptr<EmulatedSoundCard> card_;
    // Removed nodes stay until the end: the client may still hold their fds.
    std::vector<std::unique_ptr<EmulatedFireWireNode>> removed_;
};

}  // namespace testbed

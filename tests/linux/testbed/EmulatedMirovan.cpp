#include "tests/linux/testbed/EmulatedMirovan.h"

#include <cinttypes>
#include <cstdio>

#include "platform/DeviceBus.h"

namespace testbed {
namespace {

constexpr uint64_t kLocalGuid = 0x0011223344556677ULL;
// The device's node id on a bus with the computer and the device.
constexpr uint32_t kDeviceNodeID = 0xFFC1;
// The character device numbers the kernel gives FireWire nodes.
constexpr int kFireWireMajor = 243;

Pairs NodeNumbers(int minor) {
    return {{"MAJOR", std::to_string(kFireWireMajor)}, {"MINOR", std::to_string(minor)}};
}

std::string Hex(uint64_t value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%0*" PRIx64, digits, value);
    return text;
}

}  // namespace

Pairs EmulatedMirovan::DeviceAttributes(uint64_t guid) {
    return {{"guid", Hex(guid, 16)},
            {"vendor", Hex(platform::kMakerCompanyId, 6)},
            {"model", Hex(0x000004, 6)},
            {"vendor_name", platform::kDeviceManufacturer},
            {"model_name", platform::kDeviceProduct},
            {"is_local", "0"},
            {"units", "0x00a02d:0x010001"}};
}

EmulatedMirovan::EmulatedMirovan(Testbed& testbed, devsim::DeviceModel& model, int firstNode,
                                 int cardNumber)
    : testbed_(testbed), model_(model), nextNumber_(firstNode), cardNumber_(cardNumber) {
    if (firstNode == 1)
        testbed_.AddDevice("firewire", "fw0", {},
                           {{"guid", Hex(kLocalGuid, 16)},
                            {"vendor_name", "Linux Firewire"},
                            {"model_name", "Juju"},
                            {"is_local", "1"},
                            {"dev", std::to_string(kFireWireMajor) + ":0"}},
                           NodeNumbers(0), "fw0", NodeKind::Pty);
    if (model_.IsPlugged()) Plug();
}

EmulatedMirovan::~EmulatedMirovan() = default;

std::string EmulatedMirovan::Devnode() const {
    return "/dev/" + devnodeName_;
}

void EmulatedMirovan::Plug() {
    if (node_) return;
    if (!model_.IsPlugged()) model_.Plug();
    devnodeName_ = "fw" + std::to_string(nextNumber_++);
    node_ = std::make_unique<EmulatedFireWireNode>(model_, kDeviceNodeID, devsim::kDeviceGUID);
    // The handler is there before the node, so no early opener meets the default one.
    testbed_.Attach(Devnode(), node_->Base());
    const int number = nextNumber_ - 1;
    Pairs attributes = DeviceAttributes(devsim::kDeviceGUID);
    attributes.push_back({"dev", std::to_string(kFireWireMajor) + ":" + std::to_string(number)});
    nodeSyspath_ = testbed_.AddDevice("firewire", devnodeName_, {}, attributes, NodeNumbers(number),
                                      devnodeName_, NodeKind::Pty);
    node_->SetPty(testbed_.PtyMaster(Devnode()));
    unitSyspath_ = testbed_.AddDevice("firewire", devnodeName_ + ".0", nodeSyspath_,
                                      {{"specifier_id", "0x00a02d"}, {"version", "0x010001"}});
    card_ = std::make_unique<EmulatedSoundCard>(
        testbed_, model_, SoundCardOptions{cardNumber_, "MirovanLE", unitSyspath_});
}

void EmulatedMirovan::Unplug() {
    if (!node_) return;
    if (model_.IsPlugged()) model_.Unplug();
    // The sound driver lets its card go first; the card number is free again after.
    card_->Remove();
    card_.reset();
    node_->LeaveBus();
    node_->Remove();
    testbed_.Remove(nodeSyspath_);
    removed_.push_back(std::move(node_));
    nodeSyspath_.clear();
    unitSyspath_.clear();
}

void EmulatedMirovan::QuickReplug() {
    if (!node_) return;
    node_->LeaveBus();
    node_->ReturnToBus();
}

}  // namespace testbed

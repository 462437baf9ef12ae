#pragma once
// The device bus over the real MirovanLE on this machine: its FireWire node through the
// kernel's character device (found and lost through udev), its audio device through ALSA.
//
// The bus's thread waits in poll on udev's FireWire events; a node has a reader thread of its
// own, the sound card watch another. Presence reports come from those threads:
// - a node appearing, going, or coming back (on a new /dev/fwN, or on the same one after a
//   quick re-plug, which shows as a bus reset that skipped a generation) is a new snapshot; a
//   re-plug gets a new generation, and sessions opened before it fail with kFWANoDevice;
// - a plain bus reset changes nothing but the generation requests carry (and maybe the node
//   id): calls in flight fail with kFWABusReset, which the transport retries;
// - the sound card appearing or going changes the snapshot's audio device.
// A node that cannot be opened for want of permission is named once on standard error, and
// opened again when udev or its permissions change.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/DeviceBus.h"
#include "platform/linux/FireWireDiscovery.h"
#include "platform/linux/FireWireNode.h"
#include "platform/linux/SoundCardWatch.h"

namespace platform {

class LinuxBus : public DeviceBus,
                 private FireWireNode::Listener,
                 private SoundCardWatch::Listener {
  public:
    // Looks for the device once before returning, so Presence() is current, then watches.
    LinuxBus();
    // Uninstalls itself when it is the installed bus, then stops watching.
    ~LinuxBus() override;
    LinuxBus(const LinuxBus&) = delete;
    LinuxBus& operator=(const LinuxBus&) = delete;

    BusPresence Presence() override;
    FWAStatus FireWireOpen(uint32_t nodeID, uint64_t* session) override;
    void FireWireClose(uint64_t session) override;
    FWAStatus ReadQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                          uint8_t busBytes[4]) override;
    FWAStatus WriteQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                           const uint8_t busBytes[4]) override;
    FWAStatus WriteBlock(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                         const uint8_t* data, uint32_t length) override;
    FWAStatus ExecuteAVC(uint64_t session, const uint8_t* command, uint32_t commandLength,
                         uint8_t* response, uint32_t* responseLength) override;
    OSStatus GetDeviceName(AudioDeviceID device, std::string* name) override;
    OSStatus GetNominalSampleRate(AudioDeviceID device, double* rate) override;
    OSStatus SetNominalSampleRate(AudioDeviceID device, double rate) override;
    OSStatus GetClockSource(AudioDeviceID device, uint32_t* sourceID) override;
    OSStatus GetClockSourceName(AudioDeviceID device, uint32_t sourceID,
                                std::string* name) override;
    OSStatus GetIsRunningSomewhere(AudioDeviceID device, uint32_t* running) override;

  private:
    // FireWireNode::Listener
    void NodeBusReset(FireWireNode& node, uint32_t oldGeneration) override;
    void NodeGone(FireWireNode& node) override;
    // SoundCardWatch::Listener
    void SoundCardChanged() override;
    void SoundCardPropertyChanged(AudioPropertyID property) override;

    void Watch();
    // Brings the open node in line with what udev lists. On the bus's thread.
    void Rescan(const std::set<std::string>& removed);
    void OpenNode(const FireWireCandidate& found);
    void WatchPermissions(const std::string& devnode);
    // Whether the node we may not open changed.
    bool TakePermissionEvents();
    void Wake();
    // The node of a session of the current plug, or null.
    std::shared_ptr<FireWireNode> NodeOf(uint64_t session);
    // The sound card, when `device` is its id.
    bool CardOf(AudioDeviceID device, SoundCardWatch::Card* card);
    BusPresence SnapshotLocked();
    void Report();

    FireWireDiscovery discovery_;

    std::mutex mutex_;
    std::shared_ptr<FireWireNode> node_;
    FireWireCandidate found_;  // the node open, or the one last tried
    std::string goneSyspath_;  // a node removed from under us that udev still lists
    uint64_t plug_ = 0;        // grows with every plug and re-plug
    uint64_t sequence_ = 0;
    AudioDeviceID audio_ = kAudioDeviceUnknown;
    std::map<uint64_t, uint64_t> sessions_;  // session -> the plug it was opened in
    uint64_t nextSession_ = 1;
    std::set<std::string> refused_;  // nodes named on standard error for want of permission

    int wake_[2] = {-1, -1};
    int permissions_ = -1;  // inotify on a node we may not open
    int permissionWatch_ = -1;
    std::string refusedName_;
    std::unique_ptr<SoundCardWatch> sound_;
    std::thread thread_;
    bool stopping_ = false;
    bool rescanWanted_ = false;
    bool reportWanted_ = false;
    bool soundStopping_ = false;
};

}  // namespace platform

#pragma once
// The device bus the program uses: a client of the mirovan-devsim server.
//
// A watcher thread asks the server for its state every poll interval and reports changes to
// the platform: a server that stops answering reads as an unplugged device, one that answers
// again (or a new server) as a device plugged back. Calls go over a connection of their own,
// which does not outlive a plug: the first call after a reported plug opens a new one, so it
// reaches the server that answers now, and sessions opened before the plug fail. Every call has
// a short time-out, after which it fails as if the device were gone, so a dead or stuck server
// never hangs a caller.
// Answers are distrusted: anything malformed fails the call, and an AV/C response is taken only
// as far as it is valid and as the caller's buffer holds.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/DeviceBus.h"
#include "platform/sim/SimulatorSocket.h"

namespace platform {

class SimulatorClientBus : public DeviceBus {
  public:
    // A plug or a rate change is seen within a second. The watcher runs as long as the panel
    // is open and each of its questions wakes the program and the device service, so it asks
    // once a second: four times a second cost a twentieth of an idle panel's whole time.
    static constexpr int kDefaultPollMs = 1000;
    static constexpr int kCallTimeoutMs = 400;

    // Asks the server once before returning, so Presence() is current, then starts watching.
    explicit SimulatorClientBus(std::string socketPath = SimulatorSocketPath(),
                                int pollIntervalMs = kDefaultPollMs);
    // Uninstalls itself when it is the installed bus, then stops watching.
    ~SimulatorClientBus() override;
    SimulatorClientBus(const SimulatorClientBus&) = delete;
    SimulatorClientBus& operator=(const SimulatorClientBus&) = delete;

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
    // What the server said at one poll.
    struct ServerState {
        bool answered = false;
        bool present = false;
        uint32_t nodeID = 0;
        uint64_t guid = 0;
        AudioDeviceID audio = 0;
        uint64_t generation = 0;
        uint64_t epoch = 0;        // the watcher's connection it came over
        uint64_t changes[3] = {};  // rate, clock source, in use
    };
    struct Session {
        uint64_t epoch;
        uint64_t serverSession;
    };

    // Closes the call connection when a plug was reported after it was opened: the server
    // behind it may have gone, and the device it reached was unplugged in any case.
    void DropConnectionOfEarlierPlug();
    // One request over the call connection: the answer's status and result words. False when
    // the server could not be reached or did not answer in time.
    bool Call(const std::string& request, int32_t* status, std::vector<std::string>* result);
    // A FireWire request for a session: kFWANoDevice when the session belongs to an earlier
    // connection or the call fails, kFWANotResponding for an answer that makes no sense.
    FWAStatus SessionCall(uint64_t session, const std::string& request,
                          std::vector<std::string>* result);
    OSStatus AudioCall(const std::string& request, std::vector<std::string>* result);
    OSStatus NameCall(const std::string& request, std::string* name);
    OSStatus NumberCall(const std::string& request, uint64_t max, uint64_t* value);

    ServerState Poll();
    void Apply(const ServerState& state);
    void Watch();

    const std::string path_;
    const int pollMs_;

    std::mutex callMutex_;  // the call connection and the sessions
    LineChannel call_;
    uint64_t callEpoch_ = 0;
    uint64_t callPlug_ = 0;  // plugs_ when the call connection was opened
    uint64_t nextSession_ = 1;
    std::map<uint64_t, Session> sessions_;

    std::mutex stateMutex_;  // the snapshot
    LineChannel watch_;      // the watcher's connection, used only by Poll
    uint64_t watchEpoch_ = 0;
    ServerState last_;
    BusPresence presence_;

    // Plugs reported by the watcher, counted before the platform hears of them, so that calls
    // made on hearing of a plug already take a new connection.
    std::atomic<uint64_t> plugs_{0};

    std::mutex stopMutex_;
    std::condition_variable stopWake_;
    bool stopping_ = false;
    std::thread watcher_;
};

}  // namespace platform

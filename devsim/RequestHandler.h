#pragma once
// Answers the simulator socket's requests from one device model: the bus requests of the
// program's client bus and the control requests of the mirovan-devsim command. Every request
// is checked word by word; a malformed one is answered with kFWABadArgument and changes
// nothing.
//
// Requests (numbers decimal or 0x-hex, byte strings as hex digits):
//   state                          -> present node guid audio generation nsrt csrc gone
//   open NODE                      -> session
//   close SESSION
//   read SESSION HI LO             -> 4 bytes          write SESSION HI LO BYTES
//   block SESSION HI LO BYTES                          avc SESSION BYTES -> response bytes
//   name DEV, clock-name DEV ID    -> hex of the name
//   get-rate DEV, clock DEV, running DEV -> number     set-rate DEV HZ
//   plug, unplug, power-cycle, firmware BUILD, fail COUNT CODE, meter REG VALUE,
//   external RATE (0: none), in-use 0|1, rate [HZ], reg N -> value
//   regs, writes, writes-clear     -> a list of "N VALUE" lines
// `state`'s last three numbers count the changes of the rate, clock source and in-use flag.

#include <atomic>
#include <string>
#include <vector>

#include "devsim/DeviceModel.h"

namespace devsim {

class RequestHandler : private DeviceModel::Listener {
  public:
    explicit RequestHandler(DeviceModel& model);
    ~RequestHandler() override;

    // The answer's lines, the first one beginning with the status.
    std::vector<std::string> Handle(const std::string& request);

  private:
    void DevicePresenceChanged(const platform::BusPresence&) override {}
    void AudioPropertyChanged(AudioDeviceID device, AudioPropertyID property) override;

    DeviceModel& model_;
    std::atomic<uint64_t> rateChanges_{0};
    std::atomic<uint64_t> clockChanges_{0};
    std::atomic<uint64_t> inUseChanges_{0};
};

}  // namespace devsim

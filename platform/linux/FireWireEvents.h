#pragma once
// What a FireWire node's character device hands over, taken apart without trusting it: the
// events read from the fd (a bus reset, the response to a request, a request to an address
// range of ours) and the config ROM from GET_INFO. Every length is checked against the bytes
// that really arrived; anything short or inconsistent is Malformed, never read past.

#include <cstddef>
#include <cstdint>

namespace platform {

struct FireWireEvent {
    enum class Kind { Malformed, Other, BusReset, Response, Request };
    Kind kind = Kind::Malformed;
    uint64_t closure = 0;
    // BusReset
    uint32_t nodeID = 0;
    uint32_t generation = 0;  // also Request: the generation the request was sent in
    // Response
    uint32_t rcode = 0;
    // Request: a write to one of our address ranges
    uint32_t tcode = 0;
    uint64_t offset = 0;
    uint32_t sourceNodeID = 0;
    uint32_t handle = 0;
    // Response and Request: the payload, inside the bytes given
    const uint8_t* data = nullptr;
    uint32_t length = 0;
};

// One event as read(2) returned it.
FireWireEvent ParseFireWireEvent(const uint8_t* bytes, size_t length);

// The node's GUID from its config ROM as GET_INFO gives it (host-order quadlets): false when
// the bus information block is not there.
bool ConfigRomGuid(const uint32_t* rom, size_t quadlets, uint64_t* guid);

}  // namespace platform

#pragma once
// The FireWire audio user library: register and AV/C access to one device by its node id.
// Every call forwards to the installed device bus (platform/DeviceBus.h). Quadlet values
// cross this interface in bus byte order: the 32-bit word whose bytes in memory are the
// bytes on the wire, most significant first, so callers convert to host integers.

#include <cstdint>

using FWAStatus = int32_t;

struct FWAConnection;
using FWARef = FWAConnection*;

// A 48-bit FireWire address. The node field is 0: the library addresses the opened device.
struct FWAddress {
    uint16_t nodeID;
    uint16_t addressHi;
    uint32_t addressLo;
};

// Status codes. The first two are transient: a caller may retry them.
constexpr FWAStatus kFWASuccess = 0;
constexpr FWAStatus kFWATimeout = static_cast<FWAStatus>(0xE00002D6);
constexpr FWAStatus kFWABusReset = static_cast<FWAStatus>(0xE0008014);
constexpr FWAStatus kFWANoDevice = static_cast<FWAStatus>(0xE00002C0);
constexpr FWAStatus kFWABadArgument = static_cast<FWAStatus>(0xE00002C2);
constexpr FWAStatus kFWAUnsupported = static_cast<FWAStatus>(0xE00002C7);
constexpr FWAStatus kFWANotResponding = static_cast<FWAStatus>(0xE00002ED);

// Opens a connection to the device with this node id; *outRef is null on failure.
FWAStatus FWAOpen(uint32_t nodeID, FWARef* outRef);
// Closes a connection; a null handle is allowed and does nothing.
FWAStatus FWAClose(FWARef ref);

FWAStatus FWAReadQuadlet(FWARef ref, const FWAddress* address, uint32_t* busValue);
FWAStatus FWAWriteQuadlet(FWARef ref, const FWAddress* address, uint32_t busValue);
FWAStatus FWAWriteBlock(FWARef ref, const FWAddress* address, uint32_t length, const uint8_t* data);

// Sends one AV/C command frame and takes the device's response. *responseLength holds the
// size of the response buffer on entry and the response's length on return; a response is
// never written beyond the buffer's size.
FWAStatus FWAExecuteAVC(FWARef ref, const uint8_t* command, uint32_t commandLength,
                        uint8_t* response, uint32_t* responseLength);

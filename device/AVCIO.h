#pragma once

#include <cstdint>

#include "platform/DeviceBus.h"
#include "platform/DeviceRegistry.h"

using platform::kMakerCompanyId;

// Size of the shared response buffer used by AV/C commands given none of their own.
constexpr unsigned kAVCSharedBufferSize = 512;

// The FireWire transport of the one device in the process. It watches the device registry for
// the device, keeps its node id, opens the FireWire audio library on it and offers quadlet
// reads and writes, block writes and AV/C commands, each retried on the two transient errors.
// All state is process-wide (there is one device); the object itself holds nothing.
//
// Addresses are 48-bit FireWire addresses in a 64-bit integer: bits 47-32 the high part,
// bits 31-0 the low part. Quadlet values are host integers here; byte buffers are passed
// unchanged, already in bus order.
class AVCIO {
  public:
    // Allocates the shared response buffer and starts discovery; a device already present is
    // found at once.
    AVCIO();
    // Disarms discovery and frees the shared buffer. The connection must be closed first.
    ~AVCIO();

    // 0, the library's error, or -1 while no device is known.
    int Open();
    // Closes the connection whatever its state.
    void Close();
    bool IsOpen() const;

    int ReadQuadlet(uint64_t address, uint32_t& value);
    int WriteQuadlet(uint64_t address, uint32_t value);
    int WriteBlock(uint64_t address, const uint8_t* data, uint32_t& length);
    // Block reads are not supported: always -1.
    int ReadBlock(uint64_t address, uint8_t* data, uint32_t& length);
    // Sends one AV/C command. A null response means the shared buffer. *responseLength, when
    // given, holds the response buffer's size on entry (the command's length when not given)
    // and the valid length of the device's response on return, never more than the buffer.
    int AVCCommand(const uint8_t* command, unsigned length, uint8_t* response,
                   unsigned* responseLength = nullptr);

    // Registry callbacks, delivered on the main run loop.
    static void DeviceAdded(void* refcon, platform::ServiceIterator* iterator);
    static void DeviceNotification(void* refcon, platform::RegistryEntry service,
                                   uint32_t messageType, void* messageArgument);

    // Whether a GUID carries the maker's id, the device's model byte and its product code.
    static bool GuidMatches(uint64_t guid);
    // The node id of the device found, 0 while none is known.
    static uint32_t NodeID();
};

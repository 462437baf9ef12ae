#include "platform/linux/FireWireEvents.h"

#include <linux/firewire-cdev.h>

#include <cstring>

namespace platform {
namespace {

template <class T>
T Field(const uint8_t* bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

// The payload follows a fixed header; its announced length must fit in what was read. The
// kernel's structs end in a flexible array, so the header ends where the data begins, not at
// sizeof (the response's sizeof has 4 bytes of padding beyond its data's start).
bool TakePayload(const uint8_t* bytes, size_t length, size_t dataOffset, size_t lengthOffset,
                 FireWireEvent* event) {
    if (length < dataOffset) return false;
    const uint32_t announced = Field<uint32_t>(bytes, lengthOffset);
    if (announced > length - dataOffset) return false;
    event->length = announced;
    event->data = bytes + dataOffset;
    return true;
}

}  // namespace

FireWireEvent ParseFireWireEvent(const uint8_t* bytes, size_t length) {
    FireWireEvent event;
    if (!bytes || length < offsetof(fw_cdev_event_common, type) + sizeof(uint32_t)) return event;
    event.closure = Field<uint64_t>(bytes, offsetof(fw_cdev_event_common, closure));
    switch (Field<uint32_t>(bytes, offsetof(fw_cdev_event_common, type))) {
        case FW_CDEV_EVENT_BUS_RESET:
            if (length < offsetof(fw_cdev_event_bus_reset, generation) + sizeof(uint32_t)) break;
            event.nodeID = Field<uint32_t>(bytes, offsetof(fw_cdev_event_bus_reset, node_id));
            event.generation =
                Field<uint32_t>(bytes, offsetof(fw_cdev_event_bus_reset, generation));
            event.kind = FireWireEvent::Kind::BusReset;
            break;
        case FW_CDEV_EVENT_RESPONSE:
            if (!TakePayload(bytes, length, offsetof(fw_cdev_event_response, data),
                             offsetof(fw_cdev_event_response, length), &event))
                break;
            event.rcode = Field<uint32_t>(bytes, offsetof(fw_cdev_event_response, rcode));
            event.kind = FireWireEvent::Kind::Response;
            break;
        case FW_CDEV_EVENT_REQUEST2:
            if (!TakePayload(bytes, length, offsetof(fw_cdev_event_request2, data),
                             offsetof(fw_cdev_event_request2, length), &event))
                break;
            event.tcode = Field<uint32_t>(bytes, offsetof(fw_cdev_event_request2, tcode));
            event.offset = Field<uint64_t>(bytes, offsetof(fw_cdev_event_request2, offset));
            event.sourceNodeID =
                Field<uint32_t>(bytes, offsetof(fw_cdev_event_request2, source_node_id));
            event.generation = Field<uint32_t>(bytes, offsetof(fw_cdev_event_request2, generation));
            event.handle = Field<uint32_t>(bytes, offsetof(fw_cdev_event_request2, handle));
            event.kind = FireWireEvent::Kind::Request;
            break;
        default: event.kind = FireWireEvent::Kind::Other; break;
    }
    return event;
}

bool ConfigRomGuid(const uint32_t* rom, size_t quadlets, uint64_t* guid) {
    // Quadlet 0 gives the bus information block's length in its top byte; the block begins
    // with "1394" and holds the GUID in its third and fourth quadlets.
    constexpr uint32_t kBusName = 0x31333934;
    if (!rom || quadlets < 5 || (rom[0] >> 24) < 4 || rom[1] != kBusName) return false;
    *guid = uint64_t(rom[3]) << 32 | rom[4];
    return true;
}

}  // namespace platform

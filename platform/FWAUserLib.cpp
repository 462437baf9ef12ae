#include "platform/FWAUserLib.h"

#include <cstring>

#include "platform/BusHold.h"

// A connection remembers which installation of the bus it was opened on, so a handle that
// outlived its bus reports a missing device instead of reaching another bus.
struct FWAConnection {
    uint64_t busSerial;
    uint64_t session;
};

namespace {

using platform::BusHold;

bool Usable(const BusHold& hold, FWARef ref) {
    return hold.bus() && ref && ref->busSerial == hold.serial();
}

}  // namespace

FWAStatus FWAOpen(uint32_t nodeID, FWARef* outRef) {
    if (!outRef) return kFWABadArgument;
    *outRef = nullptr;
    BusHold hold;
    if (!hold.bus()) return kFWANoDevice;
    uint64_t session = 0;
    FWAStatus status = hold.bus()->FireWireOpen(nodeID, &session);
    if (status != kFWASuccess) return status;
    *outRef = new FWAConnection{hold.serial(), session};
    return kFWASuccess;
}

FWAStatus FWAClose(FWARef ref) {
    if (!ref) return kFWASuccess;
    {
        BusHold hold;
        if (Usable(hold, ref)) hold.bus()->FireWireClose(ref->session);
    }
    delete ref;
    return kFWASuccess;
}

FWAStatus FWAReadQuadlet(FWARef ref, const FWAddress* address, uint32_t* busValue) {
    if (!ref || !address || !busValue) return kFWABadArgument;
    BusHold hold;
    if (!Usable(hold, ref)) return kFWANoDevice;
    uint8_t bytes[4];
    FWAStatus status =
        hold.bus()->ReadQuadlet(ref->session, address->addressHi, address->addressLo, bytes);
    if (status == kFWASuccess) std::memcpy(busValue, bytes, 4);
    return status;
}

FWAStatus FWAWriteQuadlet(FWARef ref, const FWAddress* address, uint32_t busValue) {
    if (!ref || !address) return kFWABadArgument;
    BusHold hold;
    if (!Usable(hold, ref)) return kFWANoDevice;
    uint8_t bytes[4];
    std::memcpy(bytes, &busValue, 4);
    return hold.bus()->WriteQuadlet(ref->session, address->addressHi, address->addressLo, bytes);
}

FWAStatus FWAWriteBlock(FWARef ref, const FWAddress* address, uint32_t length,
                        const uint8_t* data) {
    if (!ref || !address || (length && !data)) return kFWABadArgument;
    BusHold hold;
    if (!Usable(hold, ref)) return kFWANoDevice;
    return hold.bus()->WriteBlock(ref->session, address->addressHi, address->addressLo, data,
                                  length);
}

FWAStatus FWAExecuteAVC(FWARef ref, const uint8_t* command, uint32_t commandLength,
                        uint8_t* response, uint32_t* responseLength) {
    if (!ref || !command || !responseLength || (*responseLength && !response))
        return kFWABadArgument;
    BusHold hold;
    if (!Usable(hold, ref)) return kFWANoDevice;
    uint32_t capacity = *responseLength;
    uint32_t length = capacity;
    FWAStatus status =
        hold.bus()->ExecuteAVC(ref->session, command, commandLength, response, &length);
    // Whatever the bus claims, never report more than the buffer holds. A failed call leaves
    // the length alone: a caller that retries hands the same size in again.
    if (status == kFWASuccess) *responseLength = length < capacity ? length : capacity;
    return status;
}

// Hands arbitrary bytes over as what read(2) gave from a FireWire node's character device, and
// as the config ROM from GET_INFO. Whatever the kernel (or anything in its place) hands over,
// the parser must stay inside the bytes given and say Malformed for what does not hold
// together.

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/linux/FireWireEvents.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so a read beyond it is caught.
    std::vector<uint8_t> bytes(data, data + size);
    const platform::FireWireEvent event = platform::ParseFireWireEvent(bytes.data(), bytes.size());
    if (event.data) {
        if (event.data < bytes.data() || event.data + event.length > bytes.data() + bytes.size())
            __builtin_trap();
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < event.length; ++i) sum = sum + event.data[i];
    } else if (event.length != 0) {
        __builtin_trap();
    }

    std::vector<uint32_t> rom(size / 4);
    if (!rom.empty()) std::memcpy(rom.data(), data, rom.size() * 4);
    uint64_t guid = 0;
    platform::ConfigRomGuid(rom.data(), rom.size(), &guid);
    return 0;
}

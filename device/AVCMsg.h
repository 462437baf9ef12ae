#pragma once

#include <cstdint>

// One device register access. Writes send both fields; reads fill `value` in place and leave
// the preset there when the read fails. A read carried by an AV/C STATUS command also takes the
// id that the device returns for that pair.
struct AVCMsg {
    uint32_t id;     // register number, 0 to 114
    uint32_t value;  // register value, or the preset of a read
};

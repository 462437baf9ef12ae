#pragma once

#include <cstdint>

// One row of a built-in parameter table. A table is a plain array of rows, no header and no
// terminator; the layout (88 bytes, no padding) is shared by every table in the program.
struct ParameterDefinition {
    int32_t id;          // parameter id; the row index in the device table
    char name[64];       // display name, NUL-terminated within the 64 bytes; may be empty
    float min;           // minimum, in user units
    float max;           // maximum, in user units
    float defaultValue;  // value at construction, in user units
    int32_t unit;        // ParameterUnit code
    int32_t law;         // ParameterLaw code
};

static_assert(sizeof(ParameterDefinition) == 88, "parameter rows are 88 bytes without padding");

// How a parameter maps its user units onto the normalised range 0 to 1. Codes above
// Custom are allowed and pass values through unchanged.
enum ParameterLaw : int32_t {
    kLawLinear = 0,
    kLawLog = 1,
    kLawLog2 = 2,
    kLawLog10 = 3,
    kLawExp = 4,
    kLawPwr2 = 5,
    kLawPwr10 = 6,
    kLawDiscrete = 7,
    kLawCustom = 8,
};

// The unit a parameter's value is shown in. Codes above Custom show nothing and accept no text.
enum ParameterUnit : int32_t {
    kUnitNone = 0,
    kUnitSecondsScaled = 1,
    kUnitSeconds = 2,
    kUnitMilliseconds = 3,
    kUnitMicroseconds = 4,
    kUnitBPM = 5,
    kUnitDecibels = 6,
    kUnitVolts = 7,
    kUnitAmperes = 8,
    kUnitWatts = 9,
    kUnitOhms = 10,
    kUnitHertzScaled = 11,
    kUnitHertz = 12,
    kUnitKilohertz = 13,
    kUnitSwitch = 14,
    kUnitPercent = 15,
    kUnitRatio = 16,
    kUnitCustom = 17,
};

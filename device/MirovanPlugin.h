#pragma once

#include "core/ParameterDefinition.h"
#include "core/Plugin.h"

// The number of rows of the device's parameter table, hence of MirovanPlugin's parameters.
inline constexpr int kMirovanParameterCount = 73;

// The device's whole user-visible state as one plug-in: a Plugin over the built-in table.
// Every other part of the program names a setting by its row index.
extern const ParameterDefinition allparams[kMirovanParameterCount];

class MirovanPlugin : public Plugin {
  public:
    MirovanPlugin();
    ~MirovanPlugin() override;
};

#pragma once

// The one host of a plug-in (the application). It hears of control changes before any
// observer and may change other parameters from inside the call.
class PPluginInterface {
  public:
    virtual ~PPluginInterface() {}
    virtual float GetSampleRate() = 0;
    virtual void ParameterHasChanged(int index) = 0;
};

#pragma once

#include <cstdint>
#include <vector>

#include "core/PPluginInterface.h"
#include "core/Parameter.h"
#include "core/ParameterDefinition.h"

// The parameter store of one plug-in: one Parameter per table row, value access by index for the
// host, and change notification to the host and to any number of observers.
class Plugin {
  public:
    // Told once per change of a parameter, after the parameter holds its new value.
    class ParameterObserver {
      public:
        virtual ~ParameterObserver() {}
        virtual void NotifyParameterChanged(int index) = 0;
    };

    // The table is not copied and must outlive the plug-in (names are read from it).
    Plugin(const ParameterDefinition* table, unsigned long count);
    virtual ~Plugin();

    virtual int32_t GetFourCharMfr();
    virtual int32_t GetFourCharID();
    virtual int32_t GetFourCharVersion();
    virtual void ProcessMIDI(char* data, int len);
    virtual void ProcessAudio(float** in, int inStride, int channels, int frames, float** out,
                              int outStride, int unused);
    virtual void SetPluginInterface(PPluginInterface* host);
    virtual PPluginInterface* GetPluginInterface();
    // Host-originated changes: stored, then told to the observers only.
    virtual void HostHasChangedParameter(int index, float t);
    virtual float HostWantsParameterValue(int index);
    virtual void HostHasChangedParameterUnnormalised(int index, float x);
    virtual float HostWantsParameterValueUnnormalised(int index);

    // Copies the row's name with strncpy semantics: at most len bytes, NUL-padded, no
    // terminator when the name fills len. Out of range: buf untouched.
    void GetParameterName(int index, char* buf, unsigned long len);
    // Tells the host first (when tellHost and a host is set), then every observer.
    void NotifyParameterHasChanged(int index, bool tellHost);
    // One notification pass over the observers registered when it starts.
    void NotifyParameterObservers(int index);
    // Clears every entry equal to o; the list shrinks only after the outermost pass, so this is
    // safe from inside a notification.
    void RemoveParameterObserver(const ParameterObserver* o);

    PPluginInterface* host;
    const ParameterDefinition* table;
    unsigned long count;
    std::vector<Parameter*> params;
    // Registration order; registrants append with push_back. May hold NULL entries left by
    // removal during a pass.
    std::vector<ParameterObserver*> observers;
    int depth;

  private:
    Parameter* ParameterAt(int index) const;
};

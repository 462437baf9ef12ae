#pragma once
// Joins one plug-in and one panel into the object a plug-in host drives: window calls, audio
// and MIDI calls, parameter access by index and the control calls of the panel. Almost every
// operation forwards; a missing plug-in or panel makes the forwarders do nothing (reads give
// 0, NULL or false).

#include "core/PPluginInterface.h"
#include "core/Parameter.h"
#include "core/ParameterDefinition.h"
#include "core/Plugin.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/ViewDefinition.h"
#include "views/WindowPort.h"

class PPlugIn : public Plugin::ParameterObserver {
  public:
    static constexpr float kDefaultSampleRate = 44100.0f;

    // Registers as an observer of the plug-in and shows every parameter on the panel.
    PPlugIn(Plugin* plugin, PluginGUI* gui);
    // Unregisters from the plug-in; with owns set also deletes the panel and the plug-in.
    ~PPlugIn() override;

    PPlugIn(const PPlugIn&) = delete;
    PPlugIn& operator=(const PPlugIn&) = delete;

    void NotifyParameterChanged(int index) override;
    virtual void SetPluginInterface(PPluginInterface* host);
    virtual PPluginInterface* GetPluginInterface();
    virtual void GetInitialUISize(int* w, int* h);
    virtual void CreateGUI(WindowPort* window, int x, int y);
    // Deletes the panel's surface; the view tree stays.
    virtual void CloseGUI();
    virtual void draw();
    virtual void mouse(int x, int y, int button, int down);
    virtual void mousemove(int x, int y);
    virtual void key(int a, int b);
    virtual void idle();
    virtual void redraw();
    virtual void tick();
    virtual bool NeedsRedraw();
    virtual bool IsMidiRequired();
    virtual bool IsSynth();
    virtual bool SupplyMidiWithAudio();
    virtual void GetNumberOfChannels(int* in, int* out);
    // The host's rate; 44100 without a host.
    virtual float GetSampleRate();
    virtual int GetNumberOfParameters();
    // NULL outside 0..count - 1.
    virtual Parameter* GetParameter(int index);
    virtual int GetRequestedNumberOfPresets();
    virtual void ProcessAudioAndMIDI(float** in, int inStride, int channels, int frames,
                                     float** out, int outStride, int a, char* midi, int midiLen);
    virtual void ProcessAudio(float** in, int inStride, int channels, int frames, float** out,
                              int outStride, int a);
    virtual void ProcessMIDI(char* data, int len);
    virtual int32_t GetFourCharMfr();
    virtual int32_t GetFourCharID();
    virtual int32_t GetFourCharVersion();
    virtual void HostHasChangedParameter(int index, float t);
    virtual float HostWantsParameterValue(int index);
    virtual void HostHasChangedParameterUnnormalised(int index, float x);
    virtual float HostWantsParameterValueUnnormalised(int index);
    virtual void ControlHasChangedNormalisedValue(ViewID id, int slot, float t);
    virtual void ControlHasChangedUnnormalisedValue(ViewID id, int slot, float x);
    virtual void ControlHasChangedText(ViewID id, int slot, const char* text);
    virtual float GetControlNormalisedValue(ViewID id, int slot);
    virtual float GetControlUnnormalisedValue(ViewID id, int slot);
    virtual void GetControlText(ViewID id, int slot, char* buf, int maxlen);
    // A new parameter built from the row; the caller owns it.
    virtual Parameter* CreateParameter(const ParameterDefinition* row);
    // The hook a subclass overrides to react to parameter changes; nothing here.
    virtual void ParameterHasChanged(int index);
    // Tells every observer of every parameter (not the host).
    virtual void Initialise();
    virtual void SampleRateChanged(float rate);
    virtual void OnTick(GUI* surface);

    // Moves the wrapper's observer registration to another plug-in.
    void SetPlugin(Plugin* plugin);
    // Stores the panel and shows every parameter on it.
    void SetPluginGUI(PluginGUI* gui);

    Plugin* plugin;
    PluginGUI* gui;
    bool owns;
};

#pragma once
// What happens on the device at once when certain parameters change: registers that the
// mix matrix does not carry, the sample rate and external sync, AC3 passthrough, the load
// and save dialogs and the two mix presets. Every other parameter reaches the device
// through the mix matrix at the next device step.

class PPlugIn;

class ParameterActions {
  public:
    // The file dialogs, with the main windows set aside around them; the windowing side of
    // the application provides them.
    class Dialogs {
      public:
        virtual ~Dialogs() = default;
        virtual void LoadMixWithDialog() = 0;
        virtual void SaveMixWithDialog() = 0;
    };

    ParameterActions(PPlugIn* wrapper, Dialogs* dialogs);

    // The host's reaction to a parameter changed through a control. Indices without an
    // action do nothing.
    void ParameterHasChanged(int index);

    // Sends the high-gain, AC3, MIDI-through and S/PDIF settings again, as after a load or
    // when the device comes back, whether or not their values changed.
    void ResendDeviceSettings();

  private:
    bool IsOn(int index) const;
    void WriteSwitchRegister(unsigned reg, int index);
    void SelectSampleRate();
    void SelectExternalSync();
    void SoundCardPreset();
    void TrackPreset();
    void Set(int index, float value);

    PPlugIn* wrapper;
    Dialogs* dialogs;
};

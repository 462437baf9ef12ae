#pragma once
// The application's own work on each idle pass: steps the device, mirrors its sample rate
// and status into the plug-in, handles queued device events and keeps the device open.
// The toolkit's half of the idle pass stays with the application object.

#include "app/DeviceEventRing.h"

class PPlugIn;

class IdleHandler {
  public:
    // What the idle work needs of the windowing side.
    class Windows {
      public:
        virtual ~Windows() = default;
        virtual void ShowConnectionLost(bool show) = 0;
        // The firmware is too old: tell the user, start the updater and close.
        virtual void FirmwareNeedsUpdate() = 0;
        // Keep-open found the device closed and opened it again.
        virtual void DeviceReopened() = 0;
    };

    IdleHandler(PPlugIn* wrapper, Windows* windows);

    // One pass: everything but the toolkit's idle processing.
    void Pass();

    // The device observer's end: queue now, handle at the next pass.
    void Queue(MirovanHAL::Event event) { ring.Push(event); }

    unsigned Passes() const { return passes; }

    // Status polling and keep-open run on every this-many-th pass.
    static constexpr unsigned kSlowPassEvery = 8;

  private:
    void MirrorSampleRate(int rate);
    void PollStatus();
    void HandleEvents();
    void KeepDeviceOpen();
    void SetIfDifferent(int index, float value);

    PPlugIn* wrapper;
    Windows* windows;
    DeviceEventRing ring;
    unsigned passes = 0;
};

#pragma once

#include <vector>

#include "device/AVCMsg.h"

class ffAVC;
class AudioDriver;
class MixMatrix;
class MeterData;
class MirovanPlugin;

// The one object in the process that stands for the device. It opens the device after
// checking its firmware, keeps it open and closes it, runs the periodic device step (changed
// mixer registers out, meters and status in), sets the sample rate, external sync and AC3
// passthrough, and tells its observers of device events. Every failed register access closes
// the device; the application's periodic KeepOpen reopens it.
class MirovanHAL {
  public:
    // A device event code; codes other than the ones named here may travel through the
    // application's event queue, so the type holds any int.
    enum Event : int {
        EventFirmwareNeedsUpdate = 0,
    };

    class Observer {
      public:
        virtual ~Observer() {}
        virtual void MirovanHALEvent(MirovanHAL::Event e) = 0;
    };

    // Newest firmware build that is refused: it and every older build need the update.
    static constexpr int kNewestOutdatedBuild = 4762;

    static bool Create();
    // Use before Create is a programming error and stops the program.
    static MirovanHAL* Get();
    static void Destroy();

    void SetPlugin(MirovanPlugin* p);
    // 0 when opened or when there is nothing to do (already open, or outdated firmware found
    // before); else -1 or the transport's code.
    int Open();
    bool KeepOpen();
    void Close();
    bool PostOpen();
    void StepAVC();

    int GetSampleRate();
    bool SetSampleRate(int rate);
    bool GetExternalClock();
    bool SetExternalClock(bool on);
    bool IsExternalClockAvailable();
    bool IsInUse();
    bool GetAC3();
    void SetAC3(bool disable);
    void SaveToCnE();

    int GetValue(AVCMsg& m);
    int GetValues(AVCMsg* m, unsigned long n);
    void SetValuesDirect(const AVCMsg* m, unsigned long n);
    void SetValueDirect(const AVCMsg& m);

    void AddObserver(Observer* o);
    void NotifyObservers(Event e);
    MeterData* GetMeterData();

    // The 26 information block words, or null while none was read.
    const uint32_t* GetBcdInfo();
    bool GetBcdVersion(int* build, int* major, int* minor);
    bool FirmwareNeedsUpdate(bool& needsUpdate);

    bool IsOpen() const { return open; }

    ffAVC* avc;
    AudioDriver* driver;
    MixMatrix* matrix;
    MirovanPlugin* plugin;
    std::vector<Observer*> observers;
    bool open;
    MeterData* meters;
    float sampleRate;
    bool ac3Disabled;
    bool syncLocked;
    bool extInputPresent;
    int32_t extInputRate;

  private:
    MirovanHAL();
    ~MirovanHAL();
    MirovanHAL(const MirovanHAL&) = delete;
    MirovanHAL& operator=(const MirovanHAL&) = delete;

    void _CloseAfterFailedOpen();
    void _HandOverSampleRate(int rate);
    void _ReadStatus();

    // Set once the firmware was found too old; never cleared while this device object lives,
    // so the device is not opened again and the observers hear of it once.
    bool firmwareUpdateLatched;
    // The status register is read on every second step, starting with the first.
    bool flip;
};

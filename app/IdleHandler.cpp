#include "app/IdleHandler.h"

#include "app/ParameterIndex.h"
#include "views/PPlugIn.h"

IdleHandler::IdleHandler(PPlugIn* wrapper, Windows* windows) : wrapper(wrapper), windows(windows) {}

void IdleHandler::Pass() {
    ++passes;
    MirovanHAL* hal = MirovanHAL::Get();
    hal->StepAVC();

    // A closed device has no rate; its last known state stays in the parameters.
    const int rate = hal->GetSampleRate();
    const bool slowPass = passes % kSlowPassEvery == 0;
    if (rate != 0) {
        MirrorSampleRate(rate);
        if (slowPass) PollStatus();
    }

    HandleEvents();
    if (slowPass) KeepDeviceOpen();
}

void IdleHandler::MirrorSampleRate(int rate) {
    int position = 0;
    for (int i = 0; i < 4; ++i) {
        if (kSampleRates[i] == rate) position = i + 1;
    }
    if (position == 0) return;
    // Through the host calls: the observers follow, the rate is not written back.
    if (float(position) != wrapper->HostWantsParameterValueUnnormalised(param::kSampleRate))
        wrapper->HostHasChangedParameterUnnormalised(param::kSampleRate, float(position));
}

void IdleHandler::SetIfDifferent(int index, float value) {
    const float current = wrapper->HostWantsParameterValue(index);
    if (!(current == value))  // a stored NaN counts as different
        wrapper->HostHasChangedParameter(index, value);
}

void IdleHandler::PollStatus() {
    MirovanHAL* hal = MirovanHAL::Get();
    if (hal->IsExternalClockAvailable())
        SetIfDifferent(param::kExternalSync, hal->GetExternalClock() ? 1.0f : 0.0f);
    SetIfDifferent(param::kSyncLocked, hal->syncLocked ? 1.0f : 0.0f);
    SetIfDifferent(param::kInUse, hal->IsInUse() ? 1.0f : 0.0f);
}

void IdleHandler::HandleEvents() {
    MirovanHAL::Event event;
    while (ring.Pop(&event)) {
        if (event == MirovanHAL::EventFirmwareNeedsUpdate && windows)
            windows->FirmwareNeedsUpdate();
    }
}

void IdleHandler::KeepDeviceOpen() {
    MirovanHAL* hal = MirovanHAL::Get();
    const bool wasOpen = hal->IsOpen();
    const bool kept = hal->KeepOpen();
    if (windows) {
        windows->ShowConnectionLost(!kept);
        if (kept && !wasOpen && hal->IsOpen()) windows->DeviceReopened();
    }
}

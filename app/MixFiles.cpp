#include "app/MixFiles.h"

#include <cmath>
#include <cstdio>

#include "app/AppInfo.h"
#include "app/FileStore.h"
#include "app/MixFile.h"
#include "app/ParameterIndex.h"
#include "app/UserMessages.h"
#include "core/Parameter.h"
#include "device/MirovanHAL.h"
#include "views/PPlugIn.h"

std::vector<float> TakeSnapshot(PPlugIn* wrapper) {
    std::vector<float> values;
    const int count = wrapper->GetNumberOfParameters();
    for (int i = 0; i < count; ++i) values.push_back(wrapper->HostWantsParameterValue(i));
    return values;
}

namespace {

bool FollowsDevice(int index) {
    return index >= param::kSampleRate && index <= param::kSyncLocked;
}

// The switches that couple controls: each stereo link locks its pair's pans and pairs its
// faders, the level control link gangs the output levels and mutes.
bool CouplesControls(int index) {
    return (index >= param::kStereoLink && index < param::kStereoLink + param::kStereoLinks) ||
           index == param::kLevelControlLink;
}

float Sanitised(PPlugIn* wrapper, int index, float value) {
    if (!std::isfinite(value)) {
        Parameter* p = wrapper->GetParameter(index);
        return p ? p->NormaliseValue(p->defaultValue) : 0.0f;
    }
    if (value < 0.0f) return 0.0f;
    if (value > 1.0f) return 1.0f;
    return value;
}

}  // namespace

void ApplySnapshot(PPlugIn* wrapper, const std::vector<float>& values) {
    const int count = wrapper->GetNumberOfParameters();
    if (count < 0 || values.size() > size_t(count)) return;
    // The coupling switches come first. A switch that changes moves the controls it couples:
    // a freed pan knob puts back its value from before the link, a coupled one takes its
    // preset or its partners' value. Set after the other values, that would land over the
    // file's.
    for (int i = 0; i < int(values.size()); ++i) {
        if (CouplesControls(i))
            wrapper->HostHasChangedParameter(i, Sanitised(wrapper, i, values[i]));
    }
    for (int i = 0; i < int(values.size()); ++i) {
        if (!FollowsDevice(i) && !CouplesControls(i))
            wrapper->HostHasChangedParameter(i, Sanitised(wrapper, i, values[i]));
    }
}

std::string MixSavePath(const std::string& chosen) {
    const size_t name = chosen.find_last_of('/') + 1;  // 0 when there is no folder part
    if (name == chosen.size() || chosen.substr(name).ends_with(kMixFileExtension)) return chosen;
    return chosen + kMixFileExtension;
}

MixFiles::MixFiles(PPlugIn* wrapper, UserMessages* messages, std::function<void()> afterLoad)
    : wrapper(wrapper), messages(messages), afterLoad(std::move(afterLoad)) {}

bool MixFiles::Load(const std::string& path, int id, bool silence) {
    std::vector<uint8_t> bytes;
    MixCheck check = MixCheck::Ok;
    switch (ReadWholeFile(path, &bytes)) {
        case ReadResult::Unreadable: return false;
        case ReadResult::TooLarge: check = MixCheck::WrongLength; break;
        case ReadResult::Ok: break;
    }

    std::vector<float> values;
    if (check == MixCheck::Ok)
        check = ParseMixFile(bytes.data(), bytes.size(), id, kMixFileVersion,
                             wrapper->GetNumberOfParameters(), &values);
    if (check != MixCheck::Ok) {
        if (!silence && messages) messages->ShowError(MixCheckMessage(check));
        return true;
    }

    ApplySnapshot(wrapper, values);
    if (afterLoad) afterLoad();
    return true;
}

WriteResult MixFiles::Write(const std::string& path, int id) {
    const std::vector<uint8_t> bytes = BuildMixFile(id, kMixFileVersion, TakeSnapshot(wrapper));
    return ReplaceFile(path, bytes, [] { MirovanHAL::Get()->SaveToCnE(); });
}

bool MixFiles::Save(const std::string& path, int id) {
    if (Write(path, id) == WriteResult::Ok) return true;
    ReportFailure(path);
    return false;
}

bool MixFiles::SaveSettings(const std::string& path, int id) {
    const WriteResult result = Write(path, id);
    if (result == WriteResult::Ok) return true;
    if (result == WriteResult::WriteProtected)
        std::fprintf(stderr, "mirovan-control: \"%s\" is write-protected and was left as it was\n",
                     path.c_str());
    else
        ReportFailure(path);
    return false;
}

void MixFiles::ReportFailure(const std::string& path) {
    if (messages) messages->ShowError("The mix could not be saved to \"" + path + "\".");
}

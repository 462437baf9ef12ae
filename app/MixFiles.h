#pragma once
// Loading and saving whole mixes: the device plug-in's parameters to and from mix files,
// through the plug-in wrapper.

#include <functional>
#include <string>
#include <vector>

class PPlugIn;
class UserMessages;
enum class WriteResult;

// Every parameter's normalised value, in index order.
std::vector<float> TakeSnapshot(PPlugIn* wrapper);

// Sets the parameters from values through the host calls (observers only). The rate and
// the device-state parameters (57 to 60) follow the device and are never set here. Values
// are clamped to 0..1; a value that is not a number takes the parameter's default. A list
// longer than the parameters changes nothing. The parameters end at the values given, also
// where a panel's coupled controls (linked pans, faders, levels and mutes) would move them.
void ApplySnapshot(PPlugIn* wrapper, const std::vector<float>& values);

// The path a mix chosen in the save dialog is saved under: as chosen when the file's name
// ends with kMixFileExtension, else with it added ("live.set" is saved as "live.set.mvle").
// The load dialog's filter lists only names that end so, exactly, in that case; GTK's chooser
// adds no extension of its own.
std::string MixSavePath(const std::string& chosen);

class MixFiles {
  public:
    // afterLoad runs after every successful load, to send the settings that the mix matrix
    // does not carry.
    MixFiles(PPlugIn* wrapper, UserMessages* messages, std::function<void()> afterLoad);

    // False when the file cannot be read at all (no message). Otherwise true, whatever the
    // checks found; a failed check shows its message unless silence is set, and then no
    // parameter changes.
    bool Load(const std::string& path, int id, bool silence);

    // Writes a whole mix file over path, or over the file a link at path names, and asks the
    // device to store its settings once that file is known to be replaceable. A failure is
    // reported in an error box and the old file, if any, stays as it was.
    bool Save(const std::string& path, int id);

    // Saves the mix as the default settings file, as Save does, except that a settings file
    // that this user may not write (WriteResult::WriteProtected) is not reported in a box,
    // only in one line on standard error: its owner protected it to get the same mix at every
    // start. A file system that cannot be written is a failed save, with its box.
    bool SaveSettings(const std::string& path, int id);

  private:
    WriteResult Write(const std::string& path, int id);
    void ReportFailure(const std::string& path);

    PPlugIn* wrapper;
    UserMessages* messages;
    std::function<void()> afterLoad;
};

#pragma once
// Where the program finds its own files and keeps the user's: the resource archive, the
// default settings file and the firmware updater.

#include <string>

namespace platform {

// Whether something that is not a folder is at path, links followed: a file that a save to
// path would replace.
bool IsNonFolder(const std::string& path);

// Keeps how the program was started: argument is argv[0], and the start folder is the
// current one. main calls this first; ExecutableFolder needs it where /proc is missing.
void NoteProgramStart(const char* argument);

// The folder that holds the running executable, without a trailing "/"; "" when it cannot be
// found.
std::string ExecutableFolder();

// The executable file that a program started by argument is, absolute and with links
// resolved: argument taken against startFolder when it holds a "/", else looked up in the
// folders of searchPath (as PATH lists them). "" when there is none.
std::string ExecutableNamedBy(const std::string& argument, const std::string& startFolder,
                              const std::string& searchPath);

// "ProjectResources.res" beside the executable when it is there, else in
// <prefix>/share/mirovan-control/ (the executable lying in <prefix>/bin); "" when neither
// exists.
std::string ResourceArchivePath();

// $XDG_CONFIG_HOME/example.kestrovel.MirovanControlLE/Settings.mvle, ~/.config standing in
// for an unset, empty or relative XDG_CONFIG_HOME.
std::string DefaultSettingsPath();

// "FirmwareUpdate.app" in the executable's folder, as an absolute path.
std::string FirmwareUpdaterPath();

}  // namespace platform

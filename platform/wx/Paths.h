#pragma once
// Where the program finds its own files and keeps the user's: the resource archive, the
// default settings file and the firmware updater.

#include <string>

namespace platform {

// The folder that holds the running executable, without a trailing "/".
std::string ExecutableFolder();

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

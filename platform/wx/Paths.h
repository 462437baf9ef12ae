#pragma once
// Where the program finds its own files and keeps the user's: the resource archive, the
// default settings file, the single-copy lock and the firmware updater.

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

// $XDG_CONFIG_HOME/example.kestrovel.MirovanControlLE, ~/.config standing in for an unset,
// empty or relative XDG_CONFIG_HOME.
std::string SettingsFolder();

// "Settings.mvle" in SettingsFolder().
std::string DefaultSettingsPath();

// The folder of the single-copy lock and the hand-over socket, made when missing: the settings
// folder when it is this user's own (see OwnFolder.h), so that the copies that share a settings
// file find each other, whatever else their environments hold; else the settings folder that
// the user's account gives, whatever HOME and XDG_CONFIG_HOME say (they may name another
// user's folder, as a command run for another user may leave them). Empty when neither is
// this user's own.
std::string SingleCopyFolder();

// The lock file of earlier versions: "MirovanControlLE-<user name>.lock" in the home folder.
std::string EarlierLockFilePath();

// "FirmwareUpdate.app" in the executable's folder, as an absolute path.
std::string FirmwareUpdaterPath();

}  // namespace platform

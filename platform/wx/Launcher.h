#pragma once
// Opening things outside the program: web pages and the firmware updater.

#include <string>

namespace platform {

// Opens url in the desktop's browser. A failure is not shown to the user, only written as
// one line on standard error.
bool OpenWebPage(const std::string& url);

// Runs the updater when path is an executable file, opens it with the desktop's default
// handler when it is some other file or folder, and opens nothing when it is missing or
// not an absolute path. True when something was started; a start that fails is not shown
// to the user, only written as one line on standard error.
bool LaunchUpdater(const std::string& path);

}  // namespace platform

#pragma once
// The question whether a file that a save would put a new one in place of may be replaced.

#include <string>

namespace platform {

// Asks whether the existing file at path (file-name bytes) may be replaced, in the words and
// with the buttons of GTK's own question in the save dialog, so that the two look alike.
bool ReplaceAllowed(const std::string& path);

}  // namespace platform

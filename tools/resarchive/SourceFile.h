#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the whole of one regular file that is to be packed into an archive. Fails (with a
// message in *error when error is not NULL) for a file that cannot be opened, is not a regular
// file (a folder, a device), or cannot be read to its end, so nothing is packed short.
bool ReadSourceFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Writer of the resource archive that Resource::LoadFile reads: a big-endian count, a directory
// of (name offset, data offset) pairs, then each entry's NUL-terminated name followed by its data
// block (length, reserved word 0, bytes).

using ResourceBlob = std::pair<std::string, std::vector<uint8_t>>;

// Lays the archive out in memory. Fails (with a message in *error when error is not NULL) for a
// name the reader could not find again (longer than 255 bytes, or holding a byte below 32 or
// from 0x80 up) and for an archive beyond the 32-bit offsets.
bool BuildResourceArchive(const std::vector<ResourceBlob>& blobs, std::vector<uint8_t>* out,
                          std::string* error);

// Builds the archive and writes it to path through a temporary file renamed over it, so a
// failed write leaves any earlier archive in place.
bool WriteResourceArchive(const std::string& path, const std::vector<ResourceBlob>& blobs,
                          std::string* error);

#pragma once
// Reading a small file whole and replacing a file safely: what the mix files need of the
// file system, kept apart from the format.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class ReadResult {
    Ok,
    Unreadable,  // cannot be opened, its size cannot be taken, or a read failed
    TooLarge,    // far larger than any file of ours; not read at all
};

// Files above this size are refused without being read.
constexpr long kMaxReadBytes = 16L * 1024 * 1024;

ReadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);

enum class WriteResult {
    Ok,
    CannotCreate,  // no temporary file could be made beside the target
    WriteFailed,   // a write, the flush or the rename failed; the old file is untouched
};

// Writes bytes to a new file in the target's folder and renames it over the target, so a
// failed save never destroys the old file. beforeWrite runs once the new file exists and
// before anything is written into it.
WriteResult ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes,
                        const std::function<void()>& beforeWrite = {});

// Creates the folder that will hold path, and its missing parents. True when it exists.
bool MakeParentFolder(const std::string& path);

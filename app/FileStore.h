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
    CannotReplace,  // the target is a folder, a link chain that never ends, or a file in a
                    // sticky folder that this user may not replace; nothing was created
    CannotCreate,   // no temporary file could be made beside the target
    WriteFailed,    // a write, the flush or the rename failed; the old file is untouched
};

// The file that a save of path replaces: path itself, or the end of its chain of symbolic
// links (a relative link is read from the link's own folder). The end need not exist.
// Empty when the chain loops or is too long.
std::string ReplacedFile(const std::string& path);

// Writes bytes to a new file beside the replaced file (see ReplacedFile) and renames it over
// that file, so a failed save never destroys the old file and a link stays a link. An
// existing file keeps its permission bits. The temporary files that earlier saves of the same
// file left behind when their process died are removed first. beforeWrite runs once the new
// file exists and the target is known to be replaceable, before anything is written into it.
// Saves of one file from several threads of a process must not overlap.
WriteResult ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes,
                        const std::function<void()>& beforeWrite = {});

// Creates the folder that will hold path, and its missing parents. True when it exists.
bool MakeParentFolder(const std::string& path);

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
    CannotReplace,   // the target is a folder, a link chain that never ends or that passes a
                     // link planted by another user (see ReplacedFile), or a file in a sticky
                     // folder that this user may not replace; nothing was created
    WriteProtected,  // the target is a file that this user may not write (its permission bits,
                     // an ACL or its immutable flag); nothing was created
    CannotCreate,    // no temporary file could be made beside the target
    WriteFailed,     // a write, the flush or the rename failed, and the old file is untouched;
                     // or the folder could not be synced after the rename, so the new file may
                     // not survive a power cut
};

// The file that a save of path replaces: path itself, or the end of its chain of symbolic
// links (a relative link is read from the link's own folder). The end need not exist.
// Empty when the chain loops or is too long, or when it passes a link that the kernel's
// protected_symlinks rule would not follow: one in a sticky folder that everyone may write
// to, owned neither by this user nor by the folder's owner.
std::string ReplacedFile(const std::string& path);

// Writes bytes to a new file beside the replaced file (see ReplacedFile), renames it over
// that file and syncs the folder, so a failed save never destroys the old file, a finished
// one survives a power cut, and a link stays a link. A file that this user may not write is
// left as it is, as an open would refuse it; a file system that cannot be written at all is a
// failed save. An existing file keeps its permission bits and, where this user may set it,
// its group. A hard link to the file is split: the other names keep the old content, as with
// any save that replaces a file by a rename. This user's own temporary files that earlier
// saves of the same file left behind, once a day old, are removed first. beforeWrite runs
// once the new file exists and the target is known to be replaceable, before anything is
// written into it.
WriteResult ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes,
                        const std::function<void()>& beforeWrite = {});

// Creates the folder that will hold path, and its missing parents. True when it exists.
bool MakeParentFolder(const std::string& path);

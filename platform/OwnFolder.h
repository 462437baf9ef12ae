#pragma once
// Folders that only this user can have put anything into, however the environment names
// them: what this user keeps there (the single-copy lock, the hand-over socket) was made by
// this user, and nobody else can make it first or swap it.

#include <string>

namespace platform {

// Opens the folder at path (an absolute path; links are followed) for reading, and gives its
// descriptor, which the caller closes. The folder must belong to this user, and neither its
// group nor others may write into it. A missing folder is made first, with mode 0700, and so
// are its missing parents, but only inside a folder of this user's: another user's folder is
// never written into. -1 when no such folder is or can be had.
int OpenOwnFolder(const std::string& path);

}  // namespace platform

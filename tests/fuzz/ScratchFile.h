#pragma once
// The scratch file a fuzz target hands to code that reads a path.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// A file that is already unlinked, so no run leaves it behind, reached by a path through its
// descriptor. In memory where there is a tmpfs: a disk file system flushes rewritten files.
class ScratchFile {
  public:
    ScratchFile() {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        pattern += "/fuzz-scratch-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd_ = mkstemp(name.data());
        if (fd_ < 0) std::abort();
        unlink(name.data());
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }

    void Fill(const uint8_t* data, size_t size) {
        if ((size > 0 && pwrite(fd_, data, size, 0) != ssize_t(size)) ||
            ftruncate(fd_, off_t(size)) != 0)
            std::abort();
    }

    const std::string& path() const { return path_; }

  private:
    int fd_ = -1;
    std::string path_;
};

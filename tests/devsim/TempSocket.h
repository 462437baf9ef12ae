#pragma once
// A socket path in a temporary folder of its own, removed with the folder afterwards.

#include <unistd.h>
#include <cstdlib>
#include <string>

namespace devsim_test {

class TempSocket {
  public:
    TempSocket() {
        char pattern[] = "/tmp/mirovan-test-XXXXXX";
        if (const char* made = ::mkdtemp(pattern)) dir_ = made;
        path_ = dir_ + "/sim.sock";
    }
    ~TempSocket() {
        ::unlink(path_.c_str());
        ::rmdir(dir_.c_str());
    }
    const std::string& path() const { return path_; }

  private:
    std::string dir_;
    std::string path_;
};

}  // namespace devsim_test

#include "platform/linux/SoundNodeWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

constexpr const char* kFolder = "/dev/snd";
constexpr uint32_t kEvents = IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_DELETE_SELF;
// Reads taken at one go, so a flood of events cannot hold the watch's thread.
constexpr int kMaxReads = 16;

bool IsPcmNode(std::string_view name) {
    return name.substr(0, 4) == "pcmC";
}

}  // namespace

SoundNodeWatch::SoundNodeWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

SoundNodeWatch::~SoundNodeWatch() {
    if (fd_ >= 0) ::close(fd_);
}

void SoundNodeWatch::Arm() {
    if (fd_ < 0 || watch_ >= 0) return;
    watch_ = ::inotify_add_watch(fd_, kFolder, kEvents);
}

bool SoundNodeWatch::TakeEvents() {
    if (fd_ < 0) return false;
    bool pcm = false;
    alignas(inotify_event) char buffer[4096];
    for (int i = 0; i < kMaxReads; ++i) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size_t at = 0;
        while (at + sizeof(inotify_event) <= static_cast<size_t>(n)) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const size_t end = at + sizeof event + event.len;
            if (end > static_cast<size_t>(n)) break;
            const char* name = buffer + at + sizeof event;
            if (event.mask & IN_IGNORED && event.wd == watch_) watch_ = -1;
            // Events were lost: any of them may have been a PCM's.
            if (event.mask & IN_Q_OVERFLOW) pcm = true;
            if (event.len && IsPcmNode(std::string_view(name, strnlen(name, event.len))))
                pcm = true;
            at = end;
        }
    }
    return pcm;
}

}  // namespace platform

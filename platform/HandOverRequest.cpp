#include "platform/HandOverRequest.h"

#include <cstring>

namespace platform {

HandOverRequest::State HandOverRequest::Append(const char* data, size_t size) {
    if (state_ != State::Incomplete || size == 0) return state_;
    const void* end = std::memchr(data, handover::kTerminator, size);
    const size_t length = end ? static_cast<const char*>(end) - data : size;
    if (length > handover::kMaxPathBytes - path_.size()) {
        state_ = State::Malformed;
    } else {
        path_.append(data, length);
        if (end) state_ = path_.empty() ? State::Malformed : State::Complete;
    }
    // What a malformed request held is let go at once.
    if (state_ == State::Malformed) std::string().swap(path_);
    return state_;
}

}  // namespace platform

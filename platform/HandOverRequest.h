#pragma once
// One request on the document hand-over socket, put together from the pieces in which it
// arrives (see HandOverProtocol.h). It never holds more than one path: a piece that would
// carry it past the longest path before the terminator makes it malformed at once.

#include <cstddef>
#include <string>

#include "platform/HandOverProtocol.h"

namespace platform {

class HandOverRequest {
  public:
    enum class State { Incomplete, Complete, Malformed };

    // Takes the next piece and returns the state after it. The request ends at its first
    // terminator; bytes after that are not looked at. An empty path is malformed. Once the
    // request is complete or malformed, further pieces change nothing.
    State Append(const char* data, size_t size);

    // The most bytes that can still belong to the request, terminator included: nobody needs
    // to read more than this for it.
    size_t Room() const { return handover::kMaxRequestBytes - path_.size(); }
    // The bytes held: the path so far, or the whole path once complete.
    const std::string& path() const { return path_; }

  private:
    State state_ = State::Incomplete;
    std::string path_;
};

}  // namespace platform

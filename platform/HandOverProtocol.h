#pragma once
// What a second process and the running copy say on the document hand-over socket. The
// second process sends one absolute path, as the bytes of the file name, ended by a zero
// byte; the running copy answers with one byte, taken or refused, and closes the connection.
// Anything else (a longer request, a stall, a connection closed early) is dropped without an
// answer.

#include <cstddef>

namespace platform::handover {

// Longest path (Linux's PATH_MAX), and so the longest request with its terminator.
constexpr size_t kMaxPathBytes = 4096;
constexpr size_t kMaxRequestBytes = kMaxPathBytes + 1;
constexpr char kTerminator = '\0';

// The running copy's answers.
constexpr char kTaken = 'T';
constexpr char kRefused = 'R';

}  // namespace platform::handover

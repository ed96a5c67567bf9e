#pragma once

#include <sys/socket.h>

#include <chrono>
#include <cstddef>
#include <string_view>

namespace sortwell {

// Asking a local server whether it answers, never past a deadline: the
// sound check and the screen-reader check both ask at start-up.
using SocketClock = std::chrono::steady_clock;

// Whole milliseconds to `deadline`, rounded up; 0 once it has passed.
int milliseconds_left(SocketClock::time_point deadline);

// A stream socket connected to `address` before `deadline` (non-blocking,
// close-on-exec); -1 where it is refused or not accepted in time.
int connect_within(const sockaddr* address, socklen_t length, SocketClock::time_point deadline);

// The same for the Unix socket at `path`; -1 for a path no socket can have.
int connect_unix_within(std::string_view path, SocketClock::time_point deadline);

// Whether `size` bytes came from `fd` into `buffer` before `deadline`.
bool read_within(int fd, void* buffer, std::size_t size, SocketClock::time_point deadline);

}  // namespace sortwell

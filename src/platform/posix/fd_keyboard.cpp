#include "platform/posix/fd_keyboard.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace sortwell {

FdKeyboard::Wait FdKeyboard::wait_for_input(int timeout_ms) {
  pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
  const nfds_t count = wake_fd_ >= 0 ? 2 : 1;
  for (;;) {
    const int ready = poll(fds, count, timeout_ms);
    if (ready < 0 && errno == EINTR) {
      // A signal: look at the wake pipe at once without blocking.
      timeout_ms = 0;
      continue;
    }
    if (ready < 0) return Wait::woken;  // nothing left to wait on
    if (count == 2 && (fds[1].revents & POLLIN)) {
      // Keys that came with the wake byte are read now: otherwise a stream
      // of signals (SIGCONT, say) would keep them waiting for ever.
      if (fds[0].revents != 0) read_available();
      return Wait::woken;
    }
    if (ready == 0) return Wait::idle;
    return Wait::input;
  }
}

void FdKeyboard::read_available() {
  char buffer[4096];
  const ssize_t n = read(fd_, buffer, sizeof buffer);
  if (n > 0) {
    decoder_.push({buffer, static_cast<std::size_t>(n)});
  } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    input_ended_ = true;  // end of file, or the terminal hung up (EIO)
  }
}

// The wake pipe's bytes: 1, the program is told to quit (for good); 2, it
// was continued after a stop. False when it was only continued.
bool FdKeyboard::take_wake_bytes() {
  // One read: the pipe is readable now, and may block once emptied.
  char bytes[64];
  const ssize_t n = read(wake_fd_, bytes, sizeof bytes);
  bool quit = n <= 0;  // nothing there: the pipe itself is gone, which ends the keyboard too
  for (ssize_t i = 0; i < n; ++i) quit = quit || bytes[i] != 2;
  woken_ = quit;
  return woken_;
}

bool FdKeyboard::key_ready() {
  if (!ready_ && !woken_) ready_ = decoder_.next(input_ended_);
  return ready_.has_value();
}

bool FdKeyboard::key_arrived() {
  if (ready_ || !decoder_.empty()) return true;
  pollfd input{fd_, POLLIN, 0};
  return !input_ended_ && poll(&input, 1, 0) > 0;
}

Key FdKeyboard::wait_key() {
  if (ready_) {
    const Key key = *ready_;
    ready_.reset();
    return key;
  }
  for (;;) {
    if (woken_) return keys::enter;
    if (auto key = decoder_.next(input_ended_)) return *key;
    if (input_ended_) return keys::enter;
    // An unfinished sequence waits only briefly for the rest of it.
    switch (wait_for_input(decoder_.empty() ? -1 : escape_wait_ms)) {
      case Wait::woken:
        if (!take_wake_bytes()) return keys::resumed;
        break;
      case Wait::idle:
        if (auto key = decoder_.next(true)) return *key;
        break;
      case Wait::input: read_available(); break;
    }
  }
}

}  // namespace sortwell

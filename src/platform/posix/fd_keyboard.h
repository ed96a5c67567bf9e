#pragma once

#include <optional>

#include "platform/key_decoder.h"
#include "platform/keyboard.h"

namespace sortwell {

// Keys from a file descriptor: a terminal in raw mode, or any byte stream.
// Blocks in poll; a byte on `wake_fd` (a signal's self-pipe, or -1 for none)
// ends the keyboard. A lone Escape is told from a sequence by waiting
// `escape_wait_ms` for the next byte.
class FdKeyboard : public Keyboard {
 public:
  static constexpr int escape_wait_ms = 25;

  explicit FdKeyboard(int fd, int wake_fd = -1) : fd_(fd), wake_fd_(wake_fd) {}
  Key wait_key() override;
  bool key_ready() override;
  bool key_arrived() override;
  // Once the input has ended its descriptor stays readable: nothing to watch.
  int arrival_fd() override { return input_ended_ ? -1 : fd_; }

 private:
  enum class Wait { input, idle, woken };
  Wait wait_for_input(int timeout_ms);
  void read_available();
  bool take_wake_bytes();

  int fd_;
  int wake_fd_;
  KeyDecoder decoder_;
  std::optional<Key> ready_;  // decoded by key_ready, not yet handed out
  bool input_ended_ = false;
  bool woken_ = false;
};

}  // namespace sortwell

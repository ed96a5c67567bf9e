#pragma once

#include <memory>

#include "console/fd_keyboard.h"
#include "console/fd_screen.h"

namespace sortwell {

// The real terminal for one run. Keys come from the controlling terminal
// (/dev/tty) in raw mode, or from standard input as a byte stream when there
// is none; output goes to standard output when it is a terminal, otherwise to
// standard error. Raw mode is set without flushing, so typed-ahead keys
// survive. SIGHUP, SIGTERM, SIGINT and SIGQUIT end the keyboard, so the
// session saves and quits through its normal path; the terminal's modes are
// restored by the destructor and, on a crash signal, before the process dies.
// A write to a closed terminal or pipe never kills the program.
class Terminal {
 public:
  Terminal();
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  Keyboard& keyboard() { return *keyboard_; }
  Screen& screen() { return *screen_; }

 private:
  int keyboard_fd_ = -1;
  bool owns_keyboard_fd_ = false;
  int screen_fd_ = -1;
  std::unique_ptr<FdKeyboard> keyboard_;
  std::unique_ptr<FdScreen> screen_;
};

}  // namespace sortwell

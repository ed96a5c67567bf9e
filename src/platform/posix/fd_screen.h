#pragma once

#include <atomic>

#include "platform/screen.h"

namespace sortwell {

// Output to a file descriptor. A failed write (a closed terminal or pipe) is
// dropped. The width is asked of the terminal once, and again after each
// change of the window's size (SIGWINCH, which calls `note_resize`).
// `moves_cursor` is false for a terminal that cannot go up a row.
class FdScreen : public Screen {
 public:
  FdScreen(int fd, bool moves_cursor) : fd_(fd), moves_cursor_(moves_cursor) {}
  void write(std::string_view utf8) override;
  int width() override;
  bool moves_cursor() override { return moves_cursor_; }

  // Safe in a signal handler.
  void note_resize() { resized_.store(true, std::memory_order_relaxed); }

 private:
  int fd_;
  bool moves_cursor_;
  int width_ = 80;
  std::atomic<bool> resized_ = true;
  static_assert(std::atomic<bool>::is_always_lock_free);
};

}  // namespace sortwell

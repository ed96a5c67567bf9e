#include "platform/posix/ending.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>

#include "platform/ending.h"

namespace sortwell {
namespace {

std::atomic<bool> told{false};
std::atomic<void (*)()> last_step{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free);

// Made before any handler can run, and never drained: readable for good.
struct Pipe {
  int fds[2] = {-1, -1};
  Pipe() {
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) fds[0] = fds[1] = -1;
  }
};
const Pipe& ending_pipe() {
  static const Pipe made;
  return made;
}
[[maybe_unused]] const Pipe& made_at_start = ending_pipe();

}  // namespace

bool told_to_end() { return told.load(); }

void tell_to_end() {
  if (told.exchange(true)) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = write(ending_pipe().fds[1], &byte, 1);
}

int ending_fd() { return ending_pipe().fds[0]; }

void at_end_now(void (*step)()) { last_step.store(step); }

void end_now(int status) {
  if (void (*step)() = last_step.load()) step();
  if (close_range(0, ~0U, 0) != 0) {
    for (int fd = 0; fd < 1024; ++fd) close(fd);
  }
  _exit(status);
}

// A terminal's hang-up and the signals end the session without asking first.
void note_open_edit(bool) {}

}  // namespace sortwell

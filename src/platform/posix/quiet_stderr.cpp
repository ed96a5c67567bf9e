#include "platform/posix/quiet_stderr.h"

#include <fcntl.h>
#include <unistd.h>

#include <mutex>

namespace sortwell {
namespace {

std::mutex silence_mutex;
int holders = 0;
// Opened once for the run: silencing and restoring then take one call each,
// and a voice silences standard error for every sentence.
int null_fd = -1;
int saved_stderr = -1;

}  // namespace

StandardErrorSilenced::StandardErrorSilenced() {
  std::lock_guard lock(silence_mutex);
  if (holders++ > 0) return;
  if (null_fd < 0) null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved_stderr < 0) saved_stderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (null_fd >= 0 && saved_stderr >= 0) dup2(null_fd, STDERR_FILENO);
}

StandardErrorSilenced::~StandardErrorSilenced() {
  std::lock_guard lock(silence_mutex);
  if (--holders > 0 || saved_stderr < 0) return;
  dup2(saved_stderr, STDERR_FILENO);
}

}  // namespace sortwell

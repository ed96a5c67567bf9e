#include "platform/posix/quiet_stderr.h"

#include <fcntl.h>
#include <unistd.h>

#include <mutex>

namespace sortwell {
namespace {

std::mutex silence_mutex;
int holders = 0;
int saved_stderr = -1;

}  // namespace

StandardErrorSilenced::StandardErrorSilenced() {
  std::lock_guard lock(silence_mutex);
  if (holders++ > 0) return;
  const int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
  saved_stderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (null_fd >= 0 && saved_stderr >= 0) dup2(null_fd, STDERR_FILENO);
  if (null_fd >= 0) close(null_fd);
}

StandardErrorSilenced::~StandardErrorSilenced() {
  std::lock_guard lock(silence_mutex);
  if (--holders > 0 || saved_stderr < 0) return;
  dup2(saved_stderr, STDERR_FILENO);
  close(saved_stderr);
  saved_stderr = -1;
}

}  // namespace sortwell

#include "platform/quiet_stderr.h"

#include <fcntl.h>
#include <io.h>

#include <mutex>

namespace sortwell {
namespace {

std::mutex silence_mutex;
int holders = 0;
int null_fd = -1;
int saved_stderr = -1;

}  // namespace

// The C runtime's descriptor 2, which the libraries write to, goes to NUL.
StandardErrorSilenced::StandardErrorSilenced() {
  std::lock_guard lock(silence_mutex);
  if (holders++ > 0) return;
  if (null_fd < 0) null_fd = _open("NUL", _O_WRONLY);
  if (saved_stderr < 0) saved_stderr = _dup(2);
  if (null_fd >= 0 && saved_stderr >= 0) _dup2(null_fd, 2);
}

StandardErrorSilenced::~StandardErrorSilenced() {
  std::lock_guard lock(silence_mutex);
  if (--holders > 0 || saved_stderr < 0) return;
  _dup2(saved_stderr, 2);
}

}  // namespace sortwell

#include "platform/quiet_stderr.h"

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
  if (null_fd < 0) null_fd = null_device_descriptor();
  if (saved_stderr < 0) saved_stderr = copy_of_standard_error();
  if (null_fd >= 0 && saved_stderr >= 0) point_standard_error_at(null_fd);
}

StandardErrorSilenced::~StandardErrorSilenced() {
  std::lock_guard lock(silence_mutex);
  if (--holders > 0 || saved_stderr < 0) return;
  point_standard_error_at(saved_stderr);
}

}  // namespace sortwell

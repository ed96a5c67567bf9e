#include "platform/clock.h"

#include <poll.h>

#include "platform/ending.h"
#include "platform/posix/ending.h"

namespace sortwell {

std::tm SystemClock::local_time() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void SystemClock::pause(std::chrono::milliseconds duration) {
  // A program told to end does not pause on its way out.
  const auto until = std::chrono::steady_clock::now() + duration;
  for (auto left = duration; left.count() > 0 && !told_to_end();) {
    pollfd ending{ending_fd(), POLLIN, 0};
    poll(&ending, ending.fd >= 0 ? 1 : 0, static_cast<int>(left.count()));
    left = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
  }
}

}  // namespace sortwell

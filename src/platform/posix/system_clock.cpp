#include "platform/clock.h"

#include <thread>

namespace sortwell {

std::tm SystemClock::local_time() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void SystemClock::pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace sortwell

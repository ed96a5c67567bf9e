#pragma once

#include <chrono>
#include <ctime>

namespace sortwell {

// Local time, the time that passes, and pauses, replaceable so tests never
// wait. A pause ends at once when the program is told to end.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::tm local_time() = 0;
  virtual void pause(std::chrono::milliseconds duration) = 0;
  // For deadlines: never goes back.
  virtual std::chrono::steady_clock::time_point steady_now() { return std::chrono::steady_clock::now(); }
};

class SystemClock : public Clock {
 public:
  std::tm local_time() override;
  void pause(std::chrono::milliseconds duration) override;
};

}  // namespace sortwell

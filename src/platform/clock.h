#pragma once

#include <chrono>
#include <ctime>

namespace sortwell {

// Local time and pauses, replaceable so tests never wait. A pause ends at
// once when the program is told to end.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::tm local_time() = 0;
  virtual void pause(std::chrono::milliseconds duration) = 0;
};

class SystemClock : public Clock {
 public:
  std::tm local_time() override;
  void pause(std::chrono::milliseconds duration) override;
};

}  // namespace sortwell

#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "session/clock.h"
#include "session/voice.h"

namespace sortwell::testing {

// Keeps every sentence said, in order.
class RecordingVoice : public Voice {
 public:
  void say(std::string_view sentence) override { sentences.emplace_back(sentence); }
  std::vector<std::string> sentences;
};

// A fixed local time; pauses are noted, not waited.
class FakeClock : public Clock {
 public:
  std::tm local_time() override { return now; }
  void pause(std::chrono::milliseconds duration) override { pauses.push_back(duration); }
  std::tm now{};
  std::vector<std::chrono::milliseconds> pauses;
};

}  // namespace sortwell::testing

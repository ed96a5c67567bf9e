#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/voice.h"

namespace sortwell::testing {

// Keeps every sentence said, in order; `on_say`, where set, acts on each,
// as another program might while the sentence is spoken.
class RecordingVoice : public Voice {
 public:
  bool say(std::string_view sentence) override {
    sentences.emplace_back(sentence);
    if (on_say) on_say(sentences.back());
    return true;
  }
  std::vector<std::string> sentences;
  std::function<void(const std::string&)> on_say;
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

#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/voice.h"

namespace sortwell::testing {

// Keeps every sentence said, in order; `on_say`, where set, acts on each,
// as another program might while the sentence is spoken. A sentence that a
// key already typed would cut short is kept in `cut` too.
class RecordingVoice : public Voice {
 public:
  bool say(std::string_view sentence, Keyboard* cut_by) override {
    sentences.emplace_back(sentence);
    if (cut_by != nullptr && cut_by->key_arrived()) cut.push_back(sentences.back());
    if (on_say) on_say(sentences.back());
    return true;
  }
  RateRange rate_range() override { return rates; }
  void set_rate(int steps) override { rate = steps; }
  std::vector<std::string> sentences;
  std::vector<std::string> cut;
  std::function<void(const std::string&)> on_say;
  RateRange rates{-2, 2};
  int rate = 0;
};

// A fixed local time; pauses are noted, not waited. Time stands still
// unless `step` is set: each reading is then that much later than the last.
class FakeClock : public Clock {
 public:
  std::tm local_time() override { return now; }
  void pause(std::chrono::milliseconds duration) override { pauses.push_back(duration); }
  std::chrono::steady_clock::time_point steady_now() override {
    return std::chrono::steady_clock::time_point(std::chrono::milliseconds(steady.fetch_add(step.load())));
  }
  std::tm now{};
  std::vector<std::chrono::milliseconds> pauses;
  std::atomic<std::int64_t> steady{0};  // milliseconds
  std::atomic<std::int64_t> step{0};
};

}  // namespace sortwell::testing

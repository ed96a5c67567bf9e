#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "platform/voice.h"

namespace sortwell {

// The voice of espeak-ng: the default English voice with default settings,
// the sentence passed as plain UTF-8 text (no markup). The engine speaks on
// a worker thread of its own, and `say` waits for it with a deadline (by
// default `time_to_speak`): past it, or once the program is told to end, the
// sentence is stopped (the engine at its next samples, the device's queue
// dropped) and `say` returns false; a key on `cut_by` stops it the same
// way, and `say` returns true. After two such stalls in a row the voice
// is let go: every later sentence returns false at once. Without a sound
// device, or without the engine's data, it stays silent; no message of the
// engine or the audio stack ever reaches the screen. The engine is one per
// process: make one voice only.
class EspeakVoice : public Voice {
 public:
  // Takes each piece of a sentence's samples; false stops the sentence there.
  using SampleSink = std::function<bool(const short* samples, int count)>;
  using Deadline = std::chrono::milliseconds (*)(std::size_t bytes);

  // Plays through the sound device.
  EspeakVoice();
  // Synthesises into `sink` instead of playing (no sound device needed).
  explicit EspeakVoice(SampleSink sink, Deadline deadline = time_to_speak);
  ~EspeakVoice() override;
  EspeakVoice(const EspeakVoice&) = delete;
  EspeakVoice& operator=(const EspeakVoice&) = delete;

  bool say(std::string_view sentence, Keyboard* cut_by) override;
  // 25 words a minute a step, from 80 to 450; the default is 175.
  RateRange rate_range() override;
  void set_rate(int steps) override;
  bool ready() const;

  static constexpr int rate_step = 25;

  struct Engine;

 private:
  std::shared_ptr<Engine> engine_;  // shared with its worker, which a stalled device may keep
  Deadline deadline_ = time_to_speak;
  Stalls stalls_;
};

}  // namespace sortwell

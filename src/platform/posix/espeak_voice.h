#pragma once

#include <functional>

#include "platform/voice.h"

namespace sortwell {

// The voice of espeak-ng: the default English voice with default settings,
// the sentence passed as plain UTF-8 text (no markup). `say` returns when the
// sentence has been played. Without a sound device, or without the engine's
// data, it stays silent; no message of the engine or the audio stack ever
// reaches the screen. The engine is one per process: make one voice only.
class EspeakVoice : public Voice {
 public:
  // Takes each piece of a sentence's samples; false stops the sentence there.
  using SampleSink = std::function<bool(const short* samples, int count)>;

  // Plays through the sound device.
  EspeakVoice();
  // Synthesises into `sink` instead of playing (no sound device needed).
  explicit EspeakVoice(SampleSink sink);
  ~EspeakVoice() override;
  EspeakVoice(const EspeakVoice&) = delete;
  EspeakVoice& operator=(const EspeakVoice&) = delete;

  void say(std::string_view sentence) override;
  bool ready() const { return ready_; }

 private:
  SampleSink sink_;
  bool ready_ = false;
};

}  // namespace sortwell

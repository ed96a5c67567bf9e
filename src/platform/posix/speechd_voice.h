#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "platform/voice.h"

namespace sortwell {

// The user's own voice through a speech-dispatcher server: the voice,
// language, rate, pitch and volume the user configured, none set here, and
// the server's queue shared with a screen reader. Sentences go as plain
// text. `say` returns when the server reports the sentence ended or was
// cancelled. A server that dies or stops answering makes `say` return
// within a bound and hands this and every later sentence to the fallback.
// One per process: the server's notifications carry no context.
class SpeechdVoice : public Voice {
 public:
  using Fallback = std::function<std::unique_ptr<Voice>()>;

  // Connects to the server, which the client library starts where the
  // user's configuration allows; nullptr when none answers within `wait`.
  static std::unique_ptr<SpeechdVoice> connect(std::chrono::milliseconds wait, Fallback fallback);
  ~SpeechdVoice() override;

  void say(std::string_view sentence) override;

  struct Channel;

 private:
  SpeechdVoice(std::shared_ptr<Channel> channel, Fallback fallback);
  std::unique_ptr<Voice>& fallback();

  std::shared_ptr<Channel> channel_;
  Fallback make_fallback_;
  std::unique_ptr<Voice> fallback_;
};

}  // namespace sortwell

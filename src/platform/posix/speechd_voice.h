#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/voice.h"

namespace sortwell {

// The user's own voice through a speech-dispatcher server: the voice,
// language, rate, pitch and volume the user configured, none set here, and
// the server's queue shared with a screen reader. Sentences go as plain
// text. `say` follows the server's events for its sentence: one that has
// begun is waited for to its end, however slow the voice; one that does not
// begin in time, or a server that goes away or stops answering, hands that
// sentence (only if it had not begun) and every later one to the fallback.
// A server's connection is first proved by speaking a blank: one that takes
// it but cannot play it (no working sound) is let go at once, its queue
// cancelled so that a server the library started ends when idle. One per
// process: the server's events carry no context.
class SpeechdVoice : public Voice {
 public:
  using Fallback = std::function<std::unique_ptr<Voice>()>;
  using Duration = std::chrono::steady_clock::duration;

  struct Bounds {
    Duration connect;        // for the library to connect, starting a server where allowed
    Duration answer;         // for the server to take a sentence
    Duration first_begin;    // for a sentence to begin before the server has proved it speaks
    Duration proof_end;      // for the blank to end once begun
    Duration later_begin;    // for a sentence to begin, behind another client's speech
    Duration end_per_byte;   // with `end_floor`: past this a begun sentence is taken as lost
    Duration end_floor;
  };
  static Bounds default_bounds();

  // nullptr without the client library. Otherwise a voice, speaking through
  // the server when one answered and proved it can speak within the bounds,
  // else through the fallback from the start.
  static std::unique_ptr<SpeechdVoice> connect(const Bounds& bounds, Fallback fallback);
  ~SpeechdVoice() override;
  SpeechdVoice(const SpeechdVoice&) = delete;
  SpeechdVoice& operator=(const SpeechdVoice&) = delete;

  void say(std::string_view sentence) override;
  // Whether sentences still go to the server.
  bool speaking_through_server() const { return state_ == State::speaking; }

  struct Link;

 private:
  enum class State { speaking, let_go, gone };
  enum class Heard { ended, not_begun, lost_after_begin };

  SpeechdVoice(const Bounds& bounds, Fallback fallback);
  Heard speak_through_server(const std::string& utf8, Duration begin_bound, Duration end_bound);
  void let_go();
  void give_up();
  Voice* fallback();

  Bounds bounds_;
  std::shared_ptr<Link> link_;
  std::thread worker_;
  State state_ = State::let_go;
  Fallback make_fallback_;
  std::unique_ptr<Voice> fallback_;
};

}  // namespace sortwell

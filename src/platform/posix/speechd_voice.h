#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "platform/posix/speechd_link.h"
#include "platform/voice.h"

namespace sortwell {

// The user's own voice through a speech-dispatcher server: the voice,
// language, rate, pitch and volume the user configured, none set here, and
// the server's queue shared with a screen reader. Sentences go as plain text.
//
// The server is the goal for the whole run. It is first proved by speaking
// a blank that must begin and end: within a short bound for the first
// prompt, and afterwards whenever it completes, or whenever a server appears
// later (started by the library, or restarted after it went away: the link
// tries once every few seconds while none answers, never holding a prompt).
// Until then the fallback speaks. A
// sentence is spoken by one voice only: one the server cancelled before it
// began goes to the fallback; one the server took but did not answer for is
// shown, not spoken, since the server may still speak it. Each sentence has
// its deadline (`time_to_speak`): past it the server is told to stop and
// `say` returns false; after two such stalls in a row the server is let go
// for the run and every sentence returns false. A server that is not used is
// let go, its queue cancelled, so that one the library started ends when
// idle. One per process: the server's events carry no context.
class SpeechdVoice : public Voice {
 public:
  using Fallback = std::function<std::unique_ptr<Voice>()>;
  using Duration = std::chrono::steady_clock::duration;

  struct Bounds {
    Duration connect;      // for the first connection, before the first prompt
    Duration answer;       // for the server to take a sentence
    Duration proof_begin;  // for the blank to begin, before the first prompt
    Duration proof_end;    // for the blank to end once begun, before the first prompt
    Duration proof_limit;  // for the blank to end at all: past it the server is let go for the run
    Duration retry;        // between attempts to connect while none answers
    std::chrono::milliseconds (*deadline)(std::size_t bytes);  // for one sentence
  };
  static Bounds default_bounds();

  // nullptr without the client library. Otherwise a voice, speaking through
  // the server once it has proved it can speak, and through the fallback
  // until then. `may_start_server`: whether the library may start the
  // system's server where none listens yet.
  static std::unique_ptr<SpeechdVoice> connect(const Bounds& bounds, Fallback fallback, bool may_start_server = true);
  ~SpeechdVoice() override;
  SpeechdVoice(const SpeechdVoice&) = delete;
  SpeechdVoice& operator=(const SpeechdVoice&) = delete;

  // A key on `cut_by` cancels this program's own messages on the server.
  bool say(std::string_view sentence, Keyboard* cut_by) override;
  // Through the server, ten of its -100 to 100 a step on top of the rate the
  // user configured; through the fallback, the fallback's own steps.
  RateRange rate_range() override;
  void set_rate(int steps) override;
  // Whether sentences go to the server now.
  bool speaking_through_server() const { return state_ == State::speaking; }

 private:
  enum class State {
    connecting,      // the link tries until a server answers; the fallback speaks
    proving,         // the blank is on its way; the fallback speaks
    speaking,        // through the server
    without_server,  // it could not prove itself: the fallback speaks for the run
    let_go,          // it stalled twice: every sentence is shown
  };
  enum class Heard { yes, cut, not_begun, unanswered, stalled };

  SpeechdVoice(const Bounds& bounds, Fallback fallback, bool may_start_server);
  // Moves on with what has arrived, without waiting.
  void catch_up();
  void connect_again();
  void let_go(State state);
  Heard speak_through_server(const std::string& utf8, Keyboard* cut_by);
  RateRange server_rates() const;
  Voice* fallback();

  Bounds bounds_;
  SpeechdLink link_;
  State state_ = State::connecting;
  SpeechdLink::Clock::time_point proving_since_;
  Stalls stalls_;
  Fallback make_fallback_;
  std::unique_ptr<Voice> fallback_;
  int rate_steps_ = 0;
};

}  // namespace sortwell

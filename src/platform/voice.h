#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "platform/ending.h"
#include "platform/keyboard.h"

namespace sortwell {

// The steps a voice's rate can take, from its default.
struct RateRange {
  int slowest = 0;
  int fastest = 0;
  int within(int steps) const { return steps < slowest ? slowest : steps > fastest ? fastest : steps; }
};

// The voice: `say` speaks one sentence in the program's code page and
// returns when it has been heard: true. False when it could not be: the
// voice stalled past the sentence's deadline and was told to stop, it was
// let go for the run, or the program was told to end meanwhile; the caller
// then shows the sentence instead, so that nothing said is lost. A voice that
// is silent by the user's choice, or for want of a sound device, returns true.
//
// `cut_by`, where given, is the keyboard whose next key cuts the sentence
// short: the sound stops at once (within 50 ms) and `say` returns true, the
// key left to be read. A key typed before the sentence cuts it before it
// begins. Without it the sentence is spoken to its end.
class Voice {
 public:
  virtual ~Voice() = default;
  virtual bool say(std::string_view sentence, Keyboard* cut_by) = 0;

  // The speaking rate, in steps from the voice's default (the user's own
  // where the system keeps one): negative is slower. Each voice has its own
  // step and range; a voice whose rate cannot change has only 0.
  virtual RateRange rate_range() { return {}; }
  // Speaks from the next sentence on at `steps`, brought within the range.
  virtual void set_rate(int steps) { (void)steps; }
};

// The voice of a user who chose silence.
class SilentVoice : public Voice {
 public:
  bool say(std::string_view, Keyboard*) override { return true; }
};

// How long a sentence of `bytes` may hold the prompt: generous for the
// slowest voices, which speak about seven bytes a second.
inline std::chrono::milliseconds time_to_speak(std::size_t bytes) {
  return std::chrono::milliseconds(2000 + 150 * static_cast<std::int64_t>(bytes));
}

// The stalls of a voice, in a row: after two it is let go for the run. A
// sentence cut off because the program was told to end is no stall.
class Stalls {
 public:
  bool let_go() const { return in_a_row_ >= 2; }
  void note(bool heard) {
    if (heard) in_a_row_ = 0;
    else if (!told_to_end()) ++in_a_row_;
  }

 private:
  int in_a_row_ = 0;
};

// Speaks `sentence` to its end, or until a key on `cut_by` (where given);
// an empty sentence is silence, and so is every sentence once the program
// is told to end. Control bytes (below 32, and 127) are left out: to a
// speech engine they are commands, and a record's text must not be able to
// change the voice. Returns whether it was heard.
inline bool speak(Voice& voice, std::string_view sentence, Keyboard* cut_by = nullptr) {
  if (told_to_end()) return true;
  std::string text;
  text.reserve(sentence.size());
  for (char c : sentence) {
    if (static_cast<unsigned char>(c) >= 32 && c != 127) text += c;
  }
  return text.empty() || voice.say(text, cut_by);
}

}  // namespace sortwell

#pragma once

#include "console/console.h"
#include "platform/voice.h"

namespace sortwell {

// The voice of a user who chose silence, for a braille display or a shared
// room: every sentence that would have been heard is printed on a line of
// its own, where it would have been heard, unless the line just printed
// says it already (the help, a failure).
class ShownVoice : public Voice {
 public:
  explicit ShownVoice(Console& console) : console_(console) {}
  bool say(std::string_view sentence, Keyboard*) override {
    if (console_.current_line().empty() && console_.last_line() == sentence) return true;
    if (!console_.current_line().empty()) console_.print_newline();
    console_.print_text(sentence);
    console_.print_newline();
    return true;
  }

 private:
  Console& console_;
};

// The platform's voice, and the screen for what it could not say: a
// sentence cut off by a stalled voice, or said once the voice was let go,
// is printed on a line of its own, as the silent voice prints every one.
class HeardOrShown : public Voice {
 public:
  HeardOrShown(Voice& voice, Console& console) : voice_(voice), shown_(console) {}
  bool say(std::string_view sentence, Keyboard* cut_by) override {
    return voice_.say(sentence, cut_by) || shown_.say(sentence, nullptr);
  }
  RateRange rate_range() override { return voice_.rate_range(); }
  void set_rate(int steps) override { voice_.set_rate(steps); }

 private:
  Voice& voice_;
  ShownVoice shown_;
};

}  // namespace sortwell

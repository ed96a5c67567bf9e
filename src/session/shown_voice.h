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
  void say(std::string_view sentence) override {
    if (console_.current_line().empty() && console_.last_line() == sentence) return;
    if (!console_.current_line().empty()) console_.print_newline();
    console_.print_text(sentence);
    console_.print_newline();
  }

 private:
  Console& console_;
};

}  // namespace sortwell

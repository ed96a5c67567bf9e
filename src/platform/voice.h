#pragma once

#include <string>
#include <string_view>

namespace sortwell {

// The voice: `say` speaks one sentence in the program's code page and returns when it has
// been heard. It reports nothing; a voice that cannot speak stays silent.
class Voice {
 public:
  virtual ~Voice() = default;
  virtual void say(std::string_view sentence) = 0;
};

// The voice of a user who chose silence.
class SilentVoice : public Voice {
 public:
  void say(std::string_view) override {}
};

// Speaks `sentence` to its end; an empty sentence is silence. Control bytes
// (below 32, and 127) are left out: to a speech engine they are commands, and
// a record's text must not be able to change the voice.
inline void speak(Voice& voice, std::string_view sentence) {
  std::string text;
  text.reserve(sentence.size());
  for (char c : sentence) {
    if (static_cast<unsigned char>(c) >= 32 && c != 127) text += c;
  }
  if (!text.empty()) voice.say(text);
}

}  // namespace sortwell

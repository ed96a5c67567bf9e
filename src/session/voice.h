#pragma once

#include <string>
#include <string_view>

namespace sortwell {

// The voice: `say` speaks one Windows-1252 sentence and returns when it has
// been heard. It reports nothing; a voice that cannot speak stays silent.
class Voice {
 public:
  virtual ~Voice() = default;
  virtual void say(std::string_view sentence) = 0;
};

// Speaks `sentence` to its end; an empty sentence is silence.
inline void speak(Voice& voice, std::string_view sentence) {
  if (!sentence.empty()) voice.say(sentence);
}

}  // namespace sortwell

#include "platform/system_voice.h"

#include "platform/posix/espeak_voice.h"
#include "platform/posix/sound_output.h"
#include "platform/posix/speechd_voice.h"

namespace sortwell {
namespace {

std::unique_ptr<Voice> open_espeak() { return std::make_unique<EspeakVoice>(); }

}  // namespace

std::unique_ptr<Voice> open_system_voice(VoiceChoice choice) {
  switch (choice) {
    case VoiceChoice::none: return std::make_unique<SilentVoice>();
    case VoiceChoice::built_in: return open_espeak();
    case VoiceChoice::automatic:
    case VoiceChoice::speech_service:
      // A server already running is used all the same.
      if (auto voice = SpeechdVoice::connect(SpeechdVoice::default_bounds(), open_espeak, has_sound_output())) return voice;
      return open_espeak();
  }
  return std::make_unique<SilentVoice>();
}

}  // namespace sortwell

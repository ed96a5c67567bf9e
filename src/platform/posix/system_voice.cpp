#include "platform/system_voice.h"

#include "platform/posix/espeak_voice.h"
#include "platform/posix/speechd_voice.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;

// Long enough for the client library to start a server; short enough for the
// prompt to come within a second.
constexpr auto server_wait = 800ms;

std::unique_ptr<Voice> open_espeak() { return std::make_unique<EspeakVoice>(); }

}  // namespace

std::unique_ptr<Voice> open_system_voice(VoiceChoice choice) {
  switch (choice) {
    case VoiceChoice::none: return std::make_unique<SilentVoice>();
    case VoiceChoice::built_in: return open_espeak();
    case VoiceChoice::automatic:
    case VoiceChoice::speech_service:
      if (auto voice = SpeechdVoice::connect(server_wait, open_espeak)) return voice;
      return open_espeak();
  }
  return std::make_unique<SilentVoice>();
}

}  // namespace sortwell

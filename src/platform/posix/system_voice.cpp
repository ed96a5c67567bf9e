#include "platform/system_voice.h"

#include <cstdlib>
#include <string_view>

#include "platform/posix/espeak_voice.h"
#include "platform/posix/speechd_voice.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;

class SilentVoice : public Voice {
 public:
  void say(std::string_view) override {}
};

// Long enough for the client library to start a server; short enough for the
// prompt to come within a second.
constexpr auto server_wait = 800ms;

std::unique_ptr<Voice> open_espeak() { return std::make_unique<EspeakVoice>(); }

}  // namespace

std::optional<VoiceChoice> voice_choice_from_environment() {
  const char* value = std::getenv("SORTWELL_VOICE");
  const std::string_view choice = value != nullptr ? value : "";
  if (choice.empty()) return VoiceChoice::automatic;
  if (choice == "espeak") return VoiceChoice::built_in;
  if (choice == "speech-dispatcher") return VoiceChoice::speech_service;
  if (choice == "none") return VoiceChoice::none;
  return std::nullopt;
}

const char* voice_choices() { return "SORTWELL_VOICE must be speech-dispatcher, espeak or none"; }

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

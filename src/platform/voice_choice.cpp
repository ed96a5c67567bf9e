#include <cstdlib>
#include <string_view>

#include "platform/system_voice.h"

namespace sortwell {

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

}  // namespace sortwell

#pragma once

#include <memory>
#include <optional>

#include "platform/voice.h"

namespace sortwell {

// Which voice speaks, as the user chose it in SORTWELL_VOICE. On Windows
// every choice but none is the system's SAPI voice.
enum class VoiceChoice {
  automatic,  // the system's speech service where one answers, else the built-in voice
  built_in,
  speech_service,
  none,  // silent, for a braille display or a shared room
};

// The user's choice; nullopt for a value the program does not know.
std::optional<VoiceChoice> voice_choice_from_environment();
// The text that names the choices, for an error message.
const char* voice_choices();

// The chosen voice; a silent one when none can be had.
std::unique_ptr<Voice> open_system_voice(VoiceChoice choice);

}  // namespace sortwell

#include "platform/system_voice.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/posix/espeak_voice.h"
#include "platform/posix/speechd_voice.h"

namespace sortwell {
namespace {

std::unique_ptr<Voice> open_espeak() { return std::make_unique<EspeakVoice>(); }

// Whether this machine has anywhere to play sound: a sound card, or a sound
// server of this user's (PulseAudio, PipeWire). Without one, a speech server
// started for us only hangs in its audio module, and cannot be ended.
bool has_sound_output() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/snd", error)) {
    if (entry.path().filename().string().starts_with("pcm")) return true;
  }
  if (std::getenv("PULSE_SERVER") != nullptr) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string run_dir = runtime != nullptr && *runtime == '/' ? runtime : "/run/user/" + std::to_string(getuid());
  return std::filesystem::exists(run_dir + "/pulse/native", error) || std::filesystem::exists(run_dir + "/pipewire-0", error);
}

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

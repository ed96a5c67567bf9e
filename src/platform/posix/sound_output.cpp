#include "platform/posix/sound_output.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace sortwell {

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

}  // namespace sortwell

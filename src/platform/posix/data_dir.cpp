#include "session/data_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace sortwell {

std::string data_dir_from_environment() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && *xdg != '\0') return std::string(xdg) + "/sortwell";
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* entry = getpwuid(getuid());
    home = entry != nullptr ? entry->pw_dir : nullptr;
  }
  if (home == nullptr || *home == '\0') return {};
  return std::string(home) + "/.local/share/sortwell";
}

bool make_data_dir(const std::string& data_dir) {
  if (data_dir.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(data_dir, error);
  return std::filesystem::is_directory(data_dir, error);
}

}  // namespace sortwell

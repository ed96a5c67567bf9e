#include "platform/data_dir.h"
#include "platform/user_files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace sortwell {
namespace {

bool is_absolute(const char* path) { return path != nullptr && path[0] == '/'; }

// `variable`'s folder when it is absolute (a relative one is ignored, as
// the XDG base-directory rules say), else `in_home` in the home folder; empty
// without a home.
std::string xdg_folder(const char* variable, const char* in_home) {
  const char* xdg = std::getenv(variable);
  if (is_absolute(xdg)) return xdg;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* entry = getpwuid(getuid());
    home = entry != nullptr ? entry->pw_dir : nullptr;
  }
  // A relative home would put the files wherever the program was started.
  if (!is_absolute(home)) return {};
  return std::string(home) + in_home;
}

}  // namespace

std::string data_dir_from_environment() {
  const std::string folder = xdg_folder("XDG_DATA_HOME", "/.local/share");
  return folder.empty() ? folder : folder + "/sortwell";
}

std::string settings_path_from_environment() {
  const std::string folder = xdg_folder("XDG_CONFIG_HOME", "/.config");
  return folder.empty() ? folder : folder + "/sortwell/settings";
}

bool make_data_dir(const std::string& data_dir) {
  if (data_dir.empty()) return false;
  // Each missing folder on the way is made for this user alone.
  for (std::size_t slash = data_dir.find('/', 1);; slash = data_dir.find('/', slash + 1)) {
    const std::string folder = data_dir.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return data_dir_usable(data_dir);
}

bool data_dir_usable(const std::string& data_dir) {
  struct stat status {};
  return stat(data_dir.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         access(data_dir.c_str(), W_OK | X_OK) == 0;
}

}  // namespace sortwell

#include "platform/user_files.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>

namespace sortwell {

std::string system_error_text(int system_error) { return std::strerror(system_error); }

std::string real_path(const std::string& path) {
  // A link (a user's dotfiles kept elsewhere) leads to the file meant, one
  // not made yet too; a loop of links ends somewhere, to be refused there.
  std::string at = path;
  for (int links = 0; links < 40; ++links) {
    if (char* real = ::realpath(at.c_str(), nullptr)) {
      at = real;
      std::free(real);
      return at;
    }
    char target[PATH_MAX];
    const ssize_t size = ::readlink(at.c_str(), target, sizeof target);
    if (size <= 0 || size == sizeof target) break;
    const std::string_view next(target, static_cast<std::size_t>(size));
    at = next.starts_with('/') ? std::string(next) : at.substr(0, at.rfind('/') + 1) + std::string(next);
  }
  return at;
}

FileResult replace_name(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? FileResult{} : failure_of(errno);
}

void remove_name(const std::string& path) { ::unlink(path.c_str()); }

unsigned long running_copy() { return static_cast<unsigned long>(getpid()); }

}  // namespace sortwell

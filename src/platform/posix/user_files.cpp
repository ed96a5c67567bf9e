#include "platform/user_files.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sortwell {

std::string system_error_text(int system_error) { return std::strerror(system_error); }

std::string real_path(const std::string& path) {
  // A link (a user's dotfiles kept elsewhere) leads to the file meant.
  char* real = ::realpath(path.c_str(), nullptr);
  const std::string followed = real != nullptr ? real : path;
  std::free(real);
  return followed;
}

FileResult replace_name(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? FileResult{} : failure_of(errno);
}

void remove_name(const std::string& path) { ::unlink(path.c_str()); }

unsigned long running_copy() { return static_cast<unsigned long>(getpid()); }

}  // namespace sortwell

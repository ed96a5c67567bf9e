#include "platform/user_files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/data_dir.h"

namespace sortwell {
namespace {

std::string folder_of(const std::string& path) { return path.substr(0, path.rfind('/')); }

// Closes `fd`, keeping the first failure's result.
FileResult closed(int fd, FileResult result) {
  if (::close(fd) != 0 && result.ok()) return failure_of(errno);
  return result;
}

FileResult write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return failure_of(n < 0 ? errno : ENOSPC);
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

}  // namespace

std::string system_error_text(int system_error) { return std::strerror(system_error); }

FileResult read_small_file(const std::string& path, std::size_t most, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return failure_of(errno);
  text.clear();
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return closed(fd, failure_of(errno));
    if (n == 0) return closed(fd, {});
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > most) return closed(fd, {FileStatus::failed, FileCause::other});
  }
}

FileResult replace_small_file(const std::string& path, std::string_view text) {
  // A link (a user's dotfiles kept elsewhere) is followed: its target is replaced.
  char* real = ::realpath(path.c_str(), nullptr);
  const std::string target = real != nullptr ? real : path;
  std::free(real);
  const std::string folder = folder_of(target);
  if (!make_data_dir(folder)) return failure_of(errno != 0 ? errno : EACCES);
  std::string temporary = target + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return failure_of(errno);
  FileResult result = write_all(fd, text);
  if (result && ::fsync(fd) != 0) result = failure_of(errno);
  result = closed(fd, result);
  if (result && ::rename(temporary.c_str(), target.c_str()) != 0) result = failure_of(errno);
  if (!result) {
    ::unlink(temporary.c_str());
    return result;
  }
  // The new name itself is made durable too.
  const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0) return failure_of(errno);
  return closed(directory, ::fsync(directory) == 0 ? FileResult{} : failure_of(errno));
}

}  // namespace sortwell

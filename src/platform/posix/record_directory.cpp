#include "platform/record_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/folder_task.h"

namespace sortwell {
namespace {

// Reads one entry, relative to the open directory, in as few calls as the
// file allows: the directory already tells a regular file from the rest.
void read_entry(int directory, const dirent& entry, std::size_t head, StoredFile& file) {
  // The buffers of the file before are reused.
  file.name = entry.d_name;
  file.regular = false;
  file.size = 0;
  file.image.clear();
  file.error.clear();
  if (entry.d_type != DT_REG && entry.d_type != DT_UNKNOWN) return;
  // Never follow a link and never wait on a FIFO; no lock is taken.
  const int fd = openat(directory, entry.d_name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    // A link, or a socket: no regular file. Anything else is an error.
    if (errno != ELOOP && errno != ENXIO) file.error = std::strerror(errno);
    return;
  }
  struct stat status {};
  file.regular = entry.d_type == DT_REG || (fstat(fd, &status) == 0 && S_ISREG(status.st_mode));
  if (file.regular) {
    file.error = read_until_settled(file.image, [&](std::string& image) {
      image.resize(head);
      const ssize_t n = pread(fd, image.data(), image.size(), 0);
      image.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
      return n < 0 ? std::string(std::strerror(errno)) : std::string();
    });
    file.size = file.image.size();
    // Only a file that fills the head needs its true size asked for.
    if (file.size >= head && fstat(fd, &status) == 0) file.size = static_cast<std::uint64_t>(status.st_size);
  }
  close(fd);
}

}  // namespace

std::optional<std::chrono::seconds> time_since_written(const std::string& folder, const std::string& name) {
  struct stat status {};
  if (lstat((folder + "/" + name).c_str(), &status) != 0) return std::nullopt;
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now() -
                                                          std::chrono::system_clock::from_time_t(status.st_mtime));
}

bool read_folder(const std::string& folder, std::size_t head, const std::function<bool(std::string_view name)>& wanted,
                 const std::function<void(const StoredFile&)>& each, std::string& error) {
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  const int fd = dirfd(directory);
  StoredFile file;  // one buffer for every file
  // readdir tells its end from an error only by errno.
  for (errno = 0; const dirent* entry = readdir(directory); errno = 0) {
    // Each name listed and each file read is an answer: a long listing is no silence.
    folder_answered();
    if (!wanted(entry->d_name)) continue;
    read_entry(fd, *entry, head, file);
    folder_answered();
    each(file);
  }
  const int failure = errno;
  closedir(directory);
  if (failure == 0) return true;
  error = std::strerror(failure);
  return false;
}

}  // namespace sortwell

#include "records/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "common/codepage.h"
#include "records/coupon_record.h"

namespace sortwell {
namespace {

constexpr std::string_view record_suffix = ".cou";

int open_locked(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int lock_error = errno;
    ::close(fd);
    errno = lock_error;
    return -1;
  }
  return fd;
}

FileStatus status_of(int error) {
  switch (error) {
    case EWOULDBLOCK: return FileStatus::in_use;
    case ENOENT: return FileStatus::missing;
    case ELOOP: case EISDIR: case ENXIO: case ENAMETOOLONG: return FileStatus::not_a_record;
    default: return FileStatus::failed;
  }
}

}  // namespace

std::string record_path(const std::string& data_dir, std::string_view code) {
  const Codepage& codepage = Codepage::windows_1252();
  if (data_dir.empty()) return {};
  for (char c : code) {
    if (c == '/' || c == '\0' || !codepage.defines(static_cast<unsigned char>(c))) return {};
  }
  std::string name = codepage.to_utf8(code);
  name += record_suffix;
  if (name.size() > NAME_MAX) return {};
  return data_dir + "/" + name;
}

bool record_file_exists(const std::string& path) {
  struct stat status {};
  return !path.empty() && lstat(path.c_str(), &status) == 0;
}

bool delete_record_file(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

FileStatus RecordFile::open(const std::string& path) {
  close();
  if (path.empty()) return FileStatus::not_a_record;
  int fd = open_locked(path, O_RDWR | O_CREAT);
  writable_ = fd >= 0;
  // A file we may not write is still read; one locked by another copy is not.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) fd = open_locked(path, O_RDONLY);
  if (fd < 0) return status_of(errno);
  handle_ = fd;
  return writable_ ? FileStatus::ok : FileStatus::read_only;
}

std::optional<std::string> RecordFile::read_image() const {
  if (handle_ < 0) return std::nullopt;
  const int fd = static_cast<int>(handle_);
  std::string image(record_image_size + 1, '\0');
  std::size_t got = 0;
  while (got < image.size()) {
    const ssize_t n = pread(fd, image.data() + got, image.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  image.resize(got);
  return image;
}

bool RecordFile::write_at(std::size_t offset, std::string_view bytes) {
  if (handle_ < 0 || !writable_) return false;
  const int fd = static_cast<int>(handle_);
  while (!bytes.empty()) {
    const ssize_t n = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += static_cast<std::size_t>(n);
  }
  return true;
}

FileIdentity RecordFile::identity() const {
  struct stat status {};
  if (handle_ < 0 || fstat(static_cast<int>(handle_), &status) != 0) return {};
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

void RecordFile::close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
  writable_ = false;
}

}  // namespace sortwell

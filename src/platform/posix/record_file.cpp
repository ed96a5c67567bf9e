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
// A new record is written under ".<name>.new" and renamed into place.
constexpr std::string_view unpublished_suffix = ".new";

FileStatus status_of(int error) {
  switch (error) {
    case EWOULDBLOCK: return FileStatus::in_use;
    case ENOENT: return FileStatus::missing;
    case ELOOP: case EISDIR: case ENXIO: case ENAMETOOLONG: case ENOTDIR: return FileStatus::not_a_record;
    default: return FileStatus::failed;
  }
}

// Opens and locks a regular file; -1 with errno set otherwise. O_NONBLOCK:
// a FIFO must not wait for a writer; O_NOFOLLOW: a link must not lead out.
int open_locked(const std::string& path, int flags, FileIdentity& identity) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat status {};
  int error = 0;
  if (fstat(fd, &status) != 0) error = errno;
  else if (!S_ISREG(status.st_mode)) error = EISDIR;
  else if (flock(fd, LOCK_EX | LOCK_NB) != 0) error = errno;
  identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
  if (error == 0) return fd;
  ::close(fd);
  errno = error;
  return -1;
}

std::string directory_of(const std::string& path) { return path.substr(0, path.rfind('/')); }

// A created or removed name lasts only once its directory is synced.
bool sync_directory(const std::string& path) {
  const int fd = ::open(directory_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace

std::string record_path(const std::string& data_dir, std::string_view code) {
  const Codepage& codepage = Codepage::ansi();
  if (data_dir.empty()) return {};
  for (char c : code) {
    if (c == '/' || c == '\0' || !codepage.defines(static_cast<unsigned char>(c))) return {};
  }
  std::string name = codepage.to_utf8(code);
  name += record_suffix;
  // The hidden name of a new record must fit too.
  if (name.size() + 1 + unpublished_suffix.size() > NAME_MAX) return {};
  return data_dir + "/" + name;
}

FileStatus RecordFile::open(const std::string& path) {
  close();
  if (path.empty()) return FileStatus::not_a_record;
  int fd = open_locked(path, O_RDWR, identity_);
  writable_ = fd >= 0;
  // A file we may not write is still read; one locked by another copy is not.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) fd = open_locked(path, O_RDONLY, identity_);
  if (fd < 0) return status_of(errno);
  handle_ = fd;
  path_ = path;
  return writable_ ? FileStatus::ok : FileStatus::read_only;
}

FileStatus RecordFile::create(const std::string& path, std::string_view placeholder) {
  close();
  if (path.empty()) return FileStatus::not_a_record;
  const std::size_t slash = path.rfind('/') + 1;
  const std::string hidden = path.substr(0, slash) + "." + path.substr(slash) + std::string(unpublished_suffix);
  // One hidden name per code: its lock tells a second copy creating the same
  // coupon, and a leftover from a crash is simply taken over.
  const int fd = open_locked(hidden, O_RDWR | O_CREAT, identity_);
  if (fd < 0) return status_of(errno);
  handle_ = fd;
  writable_ = true;
  path_ = path;
  unpublished_ = hidden;
  if (ftruncate(fd, 0) != 0 || !write_at(0, placeholder)) {
    const int error = errno;
    close();
    return status_of(error);
  }
  return FileStatus::ok;
}

bool RecordFile::publish() {
  if (unpublished_.empty()) return is_open();
  // The data is synced by write_at; the rename and its directory make it appear.
  if (rename(unpublished_.c_str(), path_.c_str()) != 0) return false;
  unpublished_.clear();
  return sync_directory(path_);
}

std::optional<std::string> RecordFile::read_image() const {
  if (handle_ < 0) return std::nullopt;
  const int fd = static_cast<int>(handle_);
  std::string image(record_image_size + 1, '\0');
  std::size_t got = 0;
  while (got < image.size()) {
    const std::size_t wanted = image.size() - got;
    const ssize_t n = pread(fd, image.data() + got, wanted, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    got += static_cast<std::size_t>(n);
    // A regular file reads short only at its end: no further call to find that out.
    if (static_cast<std::size_t>(n) < wanted) break;
  }
  image.resize(got);
  return image;
}

bool RecordFile::write_at(std::size_t offset, std::string_view bytes) {
  if (!writable()) return false;
  const int fd = static_cast<int>(handle_);
  while (!bytes.empty()) {
    const ssize_t n = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += static_cast<std::size_t>(n);
  }
  return fdatasync(fd) == 0;
}

bool RecordFile::remove() {
  const std::string& name = unpublished_.empty() ? path_ : unpublished_;
  // Unlinked while still locked, so no other copy is inside it meanwhile.
  const bool removed = is_open() && unlink(name.c_str()) == 0 && sync_directory(name);
  unpublished_.clear();
  close();
  return removed;
}

void RecordFile::close() {
  // A created file never published does not stay behind.
  if (!unpublished_.empty()) unlink(unpublished_.c_str());
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
  writable_ = false;
  unpublished_.clear();
}

}  // namespace sortwell

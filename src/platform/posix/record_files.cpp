#include "platform/record_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace sortwell {
namespace {

int fd_of(const OpenFile& file) { return static_cast<int>(file.handle); }

FileCause cause_of(int error) {
  switch (error) {
    case ENOSPC: case EDQUOT: return FileCause::disk_full;
    case EACCES: case EPERM: return FileCause::not_allowed;
    case EROFS: return FileCause::read_only_folder;
    case ENAMETOOLONG: return FileCause::bad_name;
    // A network folder's server went away, or a handle whose locks its
    // server forgot (GlusterFS with strict locks gives EBADFD).
    case EIO: case ENOTCONN: case ESTALE: case EBADFD: case ECONNRESET: case ECONNABORTED: case EHOSTDOWN:
    case EHOSTUNREACH: return FileCause::unreachable;
    default: return FileCause::other;
  }
}

FileResult done() { return {}; }
FileResult from_errno() { return failure_of(errno); }

// Opens a regular file; -1 otherwise, with `why`: the system's error, or
// not_a_record for what is no regular file (a directory keeps its EISDIR).
// O_NONBLOCK: a FIFO must not wait for a writer; O_NOFOLLOW: a link must
// not lead out.
int open_regular(const std::string& path, int flags, FileIdentity& identity, FileResult& why) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    why = from_errno();
    return -1;
  }
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    why = from_errno();
  } else if (!S_ISREG(status.st_mode)) {
    why = {FileStatus::not_a_record, FileCause::other, S_ISDIR(status.st_mode) ? EISDIR : 0};
  }
  identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
  if (why.ok()) return fd;
  ::close(fd);
  return -1;
}

std::string folder_of(const std::string& path) { return path.substr(0, path.rfind('/')); }

}  // namespace

FileResult failure_of(int error) {
  FileStatus status = FileStatus::failed;
  switch (error) {
    case EWOULDBLOCK: status = FileStatus::in_use; break;
    case ENOENT: status = FileStatus::missing; break;
    case EEXIST: status = FileStatus::exists; break;
    case ENOLCK: status = FileStatus::cannot_lock; break;
    case ELOOP: case EISDIR: case ENXIO: case ENAMETOOLONG: case ENOTDIR: status = FileStatus::not_a_record; break;
    default: break;
  }
  return {status, cause_of(error), error};
}

const FileNaming& file_naming() {
  static constexpr FileNaming naming{"/", false, NAME_MAX, false};
  return naming;
}

bool code_fits_file_name(std::string_view code) { return code.find('/') == std::string_view::npos; }

FileResult open_file(const std::string& path, OpenMode mode, OpenFile& file) {
  const int flags = mode == OpenMode::create ? O_RDWR | O_CREAT : O_RDWR;
  FileResult why;
  int fd = open_regular(path, flags, file.identity, why);
  file.writable = fd >= 0;
  const int error = why.system_error;
  // A file we may not write is still read, and why it cannot be written is kept.
  if (fd < 0 && mode == OpenMode::existing && (error == EACCES || error == EROFS || error == EPERM)) {
    const FileResult read_only{FileStatus::read_only, why.cause, error};
    why = {};
    fd = open_regular(path, O_RDONLY, file.identity, why);
    if (fd >= 0) why = read_only;
  }
  if (fd < 0) return why;
  file.handle = fd;
  return why;
}

FileResult lock_file(const OpenFile& file) {
  return flock(fd_of(file), LOCK_EX | LOCK_NB) == 0 ? done() : from_errno();
}

bool still_named(const OpenFile& file, const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 &&
         FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)} ==
             file.identity;
}

FileResult read_at(const OpenFile& file, std::size_t offset, char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  while (got < size) {
    const std::size_t wanted = size - got;
    const ssize_t n = pread(fd_of(file), buffer + got, wanted, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return from_errno();
    got += static_cast<std::size_t>(n);
    // A regular file reads short only at its end: no further call to find that out.
    if (static_cast<std::size_t>(n) < wanted) break;
  }
  return done();
}

FileResult write_at(const OpenFile& file, std::size_t offset, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = pwrite(fd_of(file), bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return from_errno();
    if (n == 0) return failure_of(ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += static_cast<std::size_t>(n);
  }
  return done();
}

FileResult truncate_file(const OpenFile& file) { return ftruncate(fd_of(file), 0) == 0 ? done() : from_errno(); }

FileResult flush_data(const OpenFile& file) { return fdatasync(fd_of(file)) == 0 ? done() : from_errno(); }

FileResult move_without_replacing(const OpenFile&, const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  // Linux: one step, where the file system has it.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return done();
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return from_errno();
#endif
  // A file system without it: a second name that cannot replace, then the
  // first goes. Once linked the record is in place: a first name left by a
  // failed unlink is a leftover, taken over by the next creation of the code.
  if (link(from.c_str(), to.c_str()) != 0) return from_errno();
  unlink(from.c_str());
  return done();
}

FileResult delete_while_held(const OpenFile&, const std::string& path) {
  return unlink(path.c_str()) == 0 ? done() : from_errno();
}

FileResult flush_folder_entry(const OpenFile&, const std::string& path) {
  // A created, renamed or removed name lasts only once its folder is synced.
  const int fd = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return from_errno();
  const FileResult synced = fsync(fd) == 0 ? done() : from_errno();
  ::close(fd);
  return synced;
}

void close_file(OpenFile& file) {
  if (file.is_open()) ::close(fd_of(file));
  file = {};
}

}  // namespace sortwell

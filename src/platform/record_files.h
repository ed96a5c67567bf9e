#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sortwell {

// The file operations a record file is built from, one small primitive each;
// paths are UTF-8 on every platform;
// the protocol over them (the hidden twin, publishing, locking, removal) is
// written once, in records/record_file.cpp. Paths are in the form
// `record_path` makes them. No primitive ever waits for another process.

// How a file operation went.
enum class FileStatus {
  ok,            // done; a file opened is open for reading and writing
  read_only,     // open, but it cannot be written (the cause says why)
  missing,       // no file there; nothing is open
  in_use,        // another running copy holds it
  exists,        // a file is already at the name a new one was to take
  not_a_record,  // a directory, FIFO, device, link, or a path naming nothing
  cannot_lock,   // the file system offers no lock, so it is not used unlocked
  changed,       // another copy changed the file while this one's hold on it was lost
  overtaken,     // so did another copy, after this one's write went in: on it or not, cannot be told
  unconfirmed,   // the file holds what was written, but it could not be made durable
  damaged,       // the file holds neither what it held nor what was written (the cause says why)
  unsure,        // what the file holds after a failed write cannot be told
  failed,        // anything else; the cause says what
};

// Why an operation failed or a file cannot be written, as far as a user
// can do something about it: the platform's reading of its system error.
enum class FileCause {
  none,
  disk_full,         // no space left, or the quota is used up
  not_allowed,       // the permission is refused
  read_only_folder,  // a read-only file system
  bad_name,          // the name cannot be a file's: too long, a separator, a reserved name
  unreachable,       // the folder's server is gone, or the handle lost its locks
  other,
};

// The result of a file operation: its status, and where it did not simply
// succeed, the cause and the system's own error (errno; GetLastError()).
struct FileResult {
  FileStatus status = FileStatus::ok;
  FileCause cause = FileCause::none;
  int system_error = 0;

  bool ok() const { return status == FileStatus::ok; }
  explicit operator bool() const { return ok(); }
  bool operator==(FileStatus other) const { return status == other; }
};
// The result a system error gives on this platform.
FileResult failure_of(int system_error);
// The system's own words for one of its errors ("Is a directory").
std::string system_error_text(int system_error);

// Which file is open, to tell it later from one put in its place.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// An open file: a descriptor or a HANDLE, and what opening it found out.
struct OpenFile {
  std::intptr_t handle = -1;
  bool writable = false;
  FileIdentity identity;
  bool is_open() const { return handle != -1; }
};

// The folder entries' rules of this platform.
struct FileNaming {
  const char* separators; // the first one is written between folder and name
  bool folds_case;        // whether "X.COU" names the same file as "x.cou"
  std::size_t longest;    // the longest name (POSIX) or path (Windows) allowed
  bool limits_whole_path; // whether `longest` counts the folder too
};
const FileNaming& file_naming();

// Whether a code may name a file in the folder as it is: no separator, and
// none of what the platform's names refuse (Windows: device names, a
// trailing dot or blank, the characters \ / : * ? " < > |).
bool code_fits_file_name(std::string_view code);

enum class OpenMode {
  existing,  // read and write, or read only when writing is not allowed
  create,    // read and write, created when missing, kept when there
};
// Opens a regular file: never follows a link, never waits on a FIFO or a
// device (not_a_record). Fills `file`, its identity included. Readers that
// take no lock (the report) may still read it. Windows: the open itself is
// the lock, since no other copy may open it for writing meanwhile; so it
// gives in_use here.
FileResult open_file(const std::string& path, OpenMode mode, OpenFile& file);

// Takes the file's exclusive lock without waiting: in_use when another copy
// holds it, cannot_lock where the file system has no locks (NFS without its
// lock service). POSIX: flock, which NFSv4 and GlusterFS carry across
// machines. Windows: the open's sharing already is the lock: ok.
FileResult lock_file(const OpenFile& file);

// Whether `path` still names the open file, so that a lock taken on it is a
// lock on the record there (another copy may have deleted the file, or put
// a new one at its name, between the open and the lock). Windows: a held
// file shares no deletion, so it cannot be renamed or deleted; its real
// name (GetFinalPathNameByHandleW, or where that fails the folder's listing,
// FindFirstFileW) must be the one asked for, without case, since an 8.3
// alias opens another file (open_file refuses that already).
bool still_named(const OpenFile& file, const std::string& path);

// Up to `size` bytes from `offset` into `buffer`, their number in `got`;
// fewer only at the end of the file.
FileResult read_at(const OpenFile& file, std::size_t offset, char* buffer, std::size_t size, std::size_t& got);
// All of `bytes` at `offset`, the file not truncated; not yet durable.
FileResult write_at(const OpenFile& file, std::size_t offset, std::string_view bytes);
// Cuts the file to nothing.
FileResult truncate_file(const OpenFile& file);
// Puts the file's data on stable storage. POSIX: fdatasync. Windows:
// FlushFileBuffers, which the documentation promises writes all of the
// file's buffered data and metadata to the device.
FileResult flush_data(const OpenFile& file);

// Gives the open file at `from` the name `to`, only if `to` names nothing
// (exists otherwise, and nothing changes). POSIX: renameat2 with
// RENAME_NOREPLACE, or link then unlink where the file system lacks it;
// once the link is made the file is in place, and an `from` left behind by
// a failed unlink is a leftover, not a failure.
// Windows: a rename of the held handle with ReplaceIfExists false.
FileResult move_without_replacing(const OpenFile& file, const std::string& from, const std::string& to);
// Deletes the open file's name `path` while it is still held, so that no
// other copy can open it in between. POSIX: unlink. Windows: the delete
// disposition on the handle, with POSIX semantics where the file system has
// them (the name goes at once); otherwise the name goes when the last
// handle is closed.
FileResult delete_while_held(const OpenFile& file, const std::string& path);
// Puts the folder entry of `path` (its name, or its deletion) on stable
// storage; `file` is the file it names, still open, or closed after a
// deletion. POSIX: fsync of the folder. Windows: FlushFileBuffers of the
// held file, whose metadata the entry is, then of the folder itself.
FileResult flush_folder_entry(const OpenFile& file, const std::string& path);

// Closes the file, and with it its lock.
void close_file(OpenFile& file);

}  // namespace sortwell

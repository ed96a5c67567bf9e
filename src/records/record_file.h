#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/folder_watch.h"
#include "platform/record_files.h"

namespace sortwell {

// The record file of a code: `data_dir`, a separator, the code in the file
// system's encoding, ".cou". A code that cannot name a file safely inside the
// data directory gets the empty path, which names no file.
std::string record_path(const std::string& data_dir, std::string_view code);

// The hidden twin a new record of `path` is written under until it is
// published: never a record's name, one per code.
std::string twin_path(const std::string& path);

// Whether the file system of `folder` offers the records' lock: false only
// when it says it has none (NFS without its lock service), and then no
// record there is used unlocked. It tries a hidden file of its own, gone
// afterwards. Its calls are asked through `watch`, where given.
bool folder_locks(const std::string& folder, FolderWatch* watch = nullptr);

// How long opening waits for a lock another copy holds: a lookup holds one
// for milliseconds (more on a network folder), an editor for as long as the
// user types.
inline constexpr std::chrono::milliseconds record_lock_wait{2000};

// One record file, held under an exclusive lock from `open` or `create` to
// `close`. Each operation returns how it went, with the reason when it
// failed; so that no second running copy of the program works on it
// meanwhile; the lock is on the file the path names when it is taken. Only
// regular files are opened; an open waits only for a lock another copy
// holds, and only up to `lock_wait` (in_use after it). A write is on stable
// storage once `flush` reports success, as far as the platform's primitives
// promise it (platform/record_files.h). A name put in place or deleted
// (`publish`, `remove`) is flushed too, but told as done once made: it is
// there, or gone, for every copy at once, so a failure of the folder's flush
// alone does not unsay it. Each call to the folder is asked through `watch`
// where given (a folder that may stop answering), else made in place.
class RecordFile {
 public:
  explicit RecordFile(FolderWatch* watch = nullptr) : watch_(watch) {}
  ~RecordFile() { close(); }
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Opens the existing file at `path` (the empty path: a code that cannot
  // name a file). `read_only` when it can only be read, with the reason.
  FileResult open(const std::string& path, std::chrono::milliseconds lock_wait = {});
  // Prepares a new file for `path` without making it appear there: a hidden
  // file beside it, locked, holding `placeholder` (so that a full disk shows
  // now, not at the save). `publish` then puts it in place. A crash before
  // that leaves no file at `path`. `exists` when another copy published a
  // record at `path` meanwhile: then nothing is open.
  FileResult create(const std::string& path, std::string_view placeholder, std::chrono::milliseconds lock_wait = {});
  // Puts a created file in place at its path, never over another: `exists`
  // when another copy published one there first, which stays as it is. When
  // it fails otherwise, the hidden file, which holds what was written, stays.
  FileResult publish();
  // Takes the file's name again, as `open` does (lock, then the name still
  // leads to the file), after the handle died: a server that restarted
  // forgot its lock, or the connection was reset. The dead handle is let
  // go, and the name is never deleted: another copy may hold it now.
  // `missing` when the name is gone; for a created file whose hidden name is
  // gone, `exists` when another copy's record is in place.
  FileResult reopen(std::chrono::milliseconds lock_wait);
  // Takes the lock of the handle held again, after a write that failed
  // as if its handle died: a no-op where it still holds it (a disk's EIO
  // keeps both), so no other copy got in; ok only where the name still
  // leads to the file. Otherwise `reopen` it.
  FileResult relock();
  // Whether `create` made it and `publish` has not put it in place yet.
  bool unpublished() const { return !unpublished_.empty(); }
  bool is_open() const { return file_.is_open(); }
  bool writable() const { return is_open() && file_.writable; }
  // Up to 276 bytes from position 1 (one more than the image) into `image`.
  FileResult read_image(std::string& image) const;
  // `bytes` at `offset` (0 is position 1), without truncating the file, not
  // yet durable; a file opened read-only fails with the reason it could not
  // be opened for writing.
  FileResult write_at(std::size_t offset, std::string_view bytes);
  // Puts what was written on stable storage.
  FileResult flush();
  const FileResult& why_read_only() const { return why_read_only_; }
  FileIdentity identity() const { return is_open() ? file_.identity : FileIdentity{}; }
  // Deletes the open file from its path, then closes it.
  FileResult remove();
  void close();

 private:
  FileResult open_named(const std::string& path, OpenMode mode, std::chrono::milliseconds lock_wait);
  // The name the open file has now: its hidden one until it is published.
  const std::string& held_name() const { return unpublished_.empty() ? path_ : unpublished_; }
  template <typename Call>
  auto call(Call&& primitive) const -> decltype(primitive()) {
    return watch_ ? watch_->ask(primitive) : primitive();
  }

  FolderWatch* watch_;
  OpenFile file_;
  FileResult why_read_only_;
  std::string path_;          // where the file is, or is to appear
  std::string unpublished_;   // the hidden name of a created file until `publish`
  bool keep_twin_ = false;    // a publish failed: the hidden file keeps the record
};

}  // namespace sortwell

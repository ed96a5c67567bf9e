#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sortwell {

// The record file of a code: `data_dir`, a separator, the code in the file
// system's encoding, ".cou". A code that cannot name a file safely inside the
// data directory gets the empty path, which names no file.
std::string record_path(const std::string& data_dir, std::string_view code);
// An empty path gives false.
bool record_file_exists(const std::string& path);

// How opening a record file went.
enum class FileStatus {
  ok,            // open for reading and writing
  read_only,     // open, but writes are refused
  missing,       // no file there; nothing is open
  in_use,        // another running copy holds it
  not_a_record,  // a directory, FIFO, device, link or unusable name
  failed,        // anything else: no space, no permission, I/O error
};

// Which file is open, to tell it from one put in its place later.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// One record file, held under an exclusive lock from `open` to `close`, so
// that no second copy of the program works on it meanwhile. Every write is
// on stable storage before it returns true. The platform's file interface
// lives behind it.
class RecordFile {
 public:
  RecordFile() = default;
  ~RecordFile() { close(); }
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Opens the file at `path`, creating an empty one when none exists.
  FileStatus open(const std::string& path);
  bool is_open() const { return handle_ >= 0; }
  // Up to 276 bytes from position 1 (one more than the image); nullopt when
  // nothing is open or reading fails.
  std::optional<std::string> read_image() const;
  // `bytes` at `offset` (0 is position 1), without truncating the file.
  bool write_at(std::size_t offset, std::string_view bytes);
  FileIdentity identity() const;
  void close();

 private:
  std::intptr_t handle_ = -1;
  bool writable_ = false;
};

// Deletes the file at `path`.
bool delete_record_file(const std::string& path);

}  // namespace sortwell

#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sortwell {

// One file of a folder, as found there.
struct StoredFile {
  std::string name;        // the file name, in UTF-8
  bool regular = false;    // false for a directory, FIFO, device or link
  std::uint64_t size = 0;  // bytes in the file
  std::string image;       // its first bytes, as many as asked for, each read in one call
  std::string error;       // why it could not be read; empty when it was
};

// Hands every entry of `folder` whose name `wanted` accepts to `each`, in
// the folder's order, its first `head` bytes read in one call (again, until
// two reads agree: `read_until_settled`), without locking,
// writing or waiting, so that a running session is never disturbed (on
// Windows, sessions share their records for reading). Links are never
// followed and FIFOs never opened. The file handed over is only valid during
// the call. False, with `error` set, when the folder itself cannot be read.
bool read_folder(const std::string& folder, std::size_t head, const std::function<bool(std::string_view name)>& wanted,
                 const std::function<void(const StoredFile&)>& each, std::string& error);

// How long ago the file `name` (in UTF-8, as listed) of `folder` was last
// written; nullopt when it cannot be told.
std::optional<std::chrono::seconds> time_since_written(const std::string& folder, const std::string& name);

// A file being written while it is read may come out half old, half new: a
// read is not atomic against a write, on a network folder least of all. So
// its head is read until two reads in a row agree, at most `most_reads`
// times. `read_once` fills a buffer and returns an error, empty when it
// read; the result is the error, or that the file never held still.
inline constexpr int most_reads = 8;
template <typename ReadOnce>
std::string read_until_settled(std::string& image, ReadOnce read_once) {
  std::string again;
  if (std::string error = read_once(image); !error.empty()) return error;
  for (int read = 1; read < most_reads; ++read) {
    if (std::string error = read_once(again); !error.empty()) return error;
    if (again == image) return {};
    image.swap(again);
  }
  return "it changed at every read";
}

}  // namespace sortwell

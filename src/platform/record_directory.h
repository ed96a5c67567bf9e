#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sortwell {

// One file of a folder, as found there.
struct StoredFile {
  std::string name;        // the file name, in UTF-8
  bool regular = false;    // false for a directory, FIFO, device or link
  std::uint64_t size = 0;  // bytes in the file
  std::string image;       // its first bytes, as many as asked for, read in one call
  std::string error;       // why it could not be read; empty when it was
};

// Hands every entry of `folder` whose name `wanted` accepts to `each`, in
// the folder's order, its first `head` bytes read in one call, without locking,
// writing or waiting, so that a running session is never disturbed (on
// Windows, sessions share their records for reading). Links are never
// followed and FIFOs never opened. The file handed over is only valid during
// the call. False, with `error` set, when the folder itself cannot be read.
bool read_folder(const std::string& folder, std::size_t head, const std::function<bool(std::string_view name)>& wanted,
                 const std::function<void(const StoredFile&)>& each, std::string& error);

}  // namespace sortwell

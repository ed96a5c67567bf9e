#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sortwell {

// One file named like a record in the data directory, as found there.
struct StoredFile {
  std::string name;        // the file name, in the file system's encoding
  bool regular = false;    // false for a directory, FIFO, device or link
  std::uint64_t size = 0;  // bytes in the file
  std::string image;       // its first 276 bytes, read in one call
  std::string error;       // why it could not be read; empty when it was
};

// Hands every "<code>.cou" in `data_dir` to `each`, in the directory's order
// (hidden files, such as a record still being created, are not records
// yet), read without locking, writing or waiting, so that a running session
// is never disturbed. The file handed over is only valid during the call.
// False, with `error` set, when the directory itself cannot be read.
bool read_record_directory(const std::string& data_dir, const std::function<void(const StoredFile&)>& each,
                           std::string& error);

// The code a record file's name stands for, in UTF-8: the name without ".cou".
std::string code_of_file(const std::string& name);

}  // namespace sortwell

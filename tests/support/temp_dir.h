#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace sortwell::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path);
// Everything written to `file`, which is closed.
std::string read_and_close(std::FILE* file);
void write_file(const std::string& path, const std::string& bytes);

}  // namespace sortwell::testing

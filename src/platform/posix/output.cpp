#include "platform/output.h"

#include <csignal>

namespace sortwell {

bool write_output(std::FILE* stream, std::string_view utf8, Output) {
  // A reader that went away (a closed pipe) is a failed write to tell, not
  // a signal that ends the program without a word.
  std::signal(SIGPIPE, SIG_IGN);
  const bool written = std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
  return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

std::string c_library_path(const std::string& utf8) { return utf8; }

}  // namespace sortwell

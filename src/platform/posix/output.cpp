#include "platform/output.h"

namespace sortwell {

bool write_output(std::FILE* stream, std::string_view utf8, Output) {
  const bool written = std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
  return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

}  // namespace sortwell

#include <iconv.h>

#include "platform/code_page.h"

namespace sortwell {

std::array<char32_t, 256> upper_half_of_code_page() {
  std::array<char32_t, 256> characters{};
  // One byte at a time, so that undefined bytes are told apart rather than
  // failing a whole conversion.
  iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return characters;
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    char in = static_cast<char>(byte);
    unsigned char out[4] = {};
    char* in_ptr = &in;
    char* out_ptr = reinterpret_cast<char*>(out);
    std::size_t in_left = 1;
    std::size_t out_left = sizeof out;
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1) && out_left == 0) {
      characters[byte] = out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return characters;
}

}  // namespace sortwell

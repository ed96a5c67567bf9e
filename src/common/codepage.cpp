#include "common/codepage.h"

#include <iconv.h>

namespace sortwell {

Codepage::Codepage() {
  for (char32_t c = 0; c < 0x80; ++c) characters_[c] = c;
  // The upper half comes from iconv, one byte at a time, so that undefined
  // bytes are told apart rather than failing a whole conversion.
  iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      char in = static_cast<char>(byte);
      unsigned char out[4] = {};
      char* in_ptr = &in;
      char* out_ptr = reinterpret_cast<char*>(out);
      std::size_t in_left = 1;
      std::size_t out_left = sizeof out;
      if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1) && out_left == 0) {
        characters_[byte] = out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
  }
  for (int byte = 0; byte < 256; ++byte) {
    if (defines(static_cast<unsigned char>(byte))) bytes_.emplace(characters_[byte], static_cast<unsigned char>(byte));
  }
}

const Codepage& Codepage::windows_1252() {
  static const Codepage codepage;
  return codepage;
}

unsigned char Codepage::byte_for(char32_t character) const {
  auto it = bytes_.find(character);
  return it == bytes_.end() ? replacement : it->second;
}

std::string Codepage::to_utf8(std::string_view text, char32_t undefined) const {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    append_utf8(out, defines(byte) ? characters_[byte] : undefined);
  }
  return out;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace sortwell

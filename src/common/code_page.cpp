#include "common/code_page.h"

namespace sortwell {

CodePage::CodePage(const std::array<char32_t, 256>& upper_half) : characters_(upper_half) {
  for (char32_t c = 0; c < 0x80; ++c) characters_[c] = c;
  for (int byte = 0; byte < 256; ++byte) {
    if (defines(static_cast<unsigned char>(byte))) bytes_.emplace(characters_[byte], static_cast<unsigned char>(byte));
  }
}

unsigned char CodePage::byte_for(char32_t character) const {
  auto it = bytes_.find(character);
  return it == bytes_.end() ? replacement : it->second;
}

std::string CodePage::to_utf8(std::string_view text, char32_t undefined) const {
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

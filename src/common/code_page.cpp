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

std::string CodePage::from_utf8(std::string_view utf8) const {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : lead >> 3 == 30 ? 4 : 0;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    std::size_t taken = 1;
    while (length > 1 && taken < length && i + taken < utf8.size() &&
           (static_cast<unsigned char>(utf8[i + taken]) & 0xC0) == 0x80) {
      c = c << 6 | (static_cast<unsigned char>(utf8[i + taken++]) & 0x3F);
    }
    out += static_cast<char>(length != 0 && taken == length ? byte_for(c) : replacement);
    i += taken;
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

#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

namespace sortwell {

// The program's single-byte code page: Windows-1252, on every platform.
// Every text inside the program is a byte string in it; texts become UTF-8
// (or UTF-16) only where they meet the terminal, file names and the voice.
class CodePage {
 public:
  static constexpr char replacement = '?';

  // The code page's characters; bytes it leaves undefined map to nothing.
  const std::array<char32_t, 256>& characters() const { return characters_; }
  bool defines(unsigned char byte) const { return characters_[byte] != 0 || byte == 0; }
  // The byte for a Unicode character, or the replacement "?".
  unsigned char byte_for(char32_t character) const;
  // The text in UTF-8; an undefined byte becomes `undefined`.
  std::string to_utf8(std::string_view text, char32_t undefined = U'?') const;
  // UTF-8 text in the code page: a character it lacks, or a byte that is
  // no UTF-8, becomes the replacement "?".
  std::string from_utf8(std::string_view utf8) const;

  // The code page whose bytes 0x80 to 0xFF are the characters of
  // `upper_half` there (0 where a byte has none); below, ASCII.
  explicit CodePage(const std::array<char32_t, 256>& upper_half);

 private:
  std::array<char32_t, 256> characters_{};
  std::unordered_map<char32_t, unsigned char> bytes_;
};

void append_utf8(std::string& out, char32_t character);

}  // namespace sortwell

#pragma once

#include <string>

namespace sortwell {

// One key press. A key with a character carries its Windows-1252 byte in
// `code`; a key without one (arrows, function keys, Alt+letter) has code 0
// and its PC keyboard scan code (set 1) in `scan`.
struct Key {
  unsigned char code = 0;
  unsigned char scan = 0;

  static constexpr unsigned char enter = 13;
  static constexpr unsigned char backspace = 8;
  static constexpr unsigned char escape = 27;

  static Key character(unsigned char code) { return Key{code, 0}; }
  static Key special(unsigned char scan) { return Key{0, scan}; }

  bool has_character() const { return code != 0; }
  // The key as the program's texts hold it: one byte, or 0 and the scan code.
  std::string text() const {
    return has_character() ? std::string(1, static_cast<char>(code))
                           : std::string{'\0', static_cast<char>(scan)};
  }
  bool operator==(const Key&) const = default;
};

}  // namespace sortwell

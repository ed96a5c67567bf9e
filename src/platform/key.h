#pragma once

#include <string>

namespace sortwell {

// One key press. A key with a character carries its code-page byte in
// `code`; a key without one (arrows, function keys, Alt+letter) has code 0
// and its PC keyboard scan code (set 1) in `scan`.
struct Key {
  unsigned char code = 0;
  unsigned char scan = 0;

  static constexpr Key character(unsigned char code) { return Key{code, 0}; }
  static constexpr Key special(unsigned char scan) { return Key{0, scan}; }

  bool has_character() const { return code != 0; }
  // The character in capitals (a to z become A to Z), as answers are compared.
  unsigned char upper() const { return code >= 'a' && code <= 'z' ? static_cast<unsigned char>(code - 32) : code; }
  // The key as the program's texts hold it: one byte, or 0 and the scan code.
  std::string text() const {
    return has_character() ? std::string(1, static_cast<char>(code))
                           : std::string{'\0', static_cast<char>(scan)};
  }
  constexpr bool operator==(const Key&) const = default;
};

namespace keys {
inline constexpr Key enter = Key::character(13);
inline constexpr Key backspace = Key::character(8);
inline constexpr Key escape = Key::character(27);
// Not a key press: the program was continued after a stop (fg), and the
// line being typed is to be shown again. No terminal sends it.
inline constexpr Key resumed = Key::special(0xFF);
}  // namespace keys

}  // namespace sortwell

#include "platform/key_decoder.h"

#include "platform/code_page.h"

namespace sortwell {
namespace {

constexpr unsigned char esc = 0x1B;
constexpr std::size_t longest_csi = 32;

// Scan codes of the keys without a character.
constexpr unsigned char scan_f1 = 59, scan_f6 = 64, scan_f11 = 87, scan_f12 = 88;
constexpr unsigned char scan_home = 71, scan_up = 72, scan_page_up = 73, scan_left = 75, scan_right = 77,
                        scan_end = 79, scan_down = 80, scan_page_down = 81, scan_insert = 82, scan_delete = 83;

// Final letters shared by CSI and SS3: arrows, Home, End, F1 to F4.
unsigned char scan_for_letter(unsigned char letter) {
  switch (letter) {
    case 'A': return scan_up;
    case 'B': return scan_down;
    case 'C': return scan_right;
    case 'D': return scan_left;
    case 'H': return scan_home;
    case 'F': return scan_end;
    case 'P': return scan_f1;
    case 'Q': return scan_f1 + 1;
    case 'R': return scan_f1 + 2;
    case 'S': return scan_f1 + 3;
    default: return 0;
  }
}

// "CSI n ~" keys.
unsigned char scan_for_number(int n) {
  switch (n) {
    case 1: case 7: return scan_home;
    case 2: return scan_insert;
    case 3: return scan_delete;
    case 4: case 8: return scan_end;
    case 5: return scan_page_up;
    case 6: return scan_page_down;
    case 11: case 12: case 13: case 14: case 15: return static_cast<unsigned char>(scan_f1 + n - 11);
    case 17: case 18: case 19: case 20: case 21: return static_cast<unsigned char>(scan_f6 + n - 17);
    case 23: return scan_f11;
    case 24: return scan_f12;
    default: return 0;
  }
}

// Alt+letter gives the letter key's scan code.
unsigned char scan_for_alt_letter(unsigned char c) {
  static constexpr char rows[] = "qwertyuiop\0asdfghjkl\0zxcvbnm";
  static constexpr unsigned char row_starts[] = {16, 30, 44};
  if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
  int row = 0;
  int column = 0;
  for (char r : rows) {
    if (r == '\0') {
      ++row;
      column = 0;
      continue;
    }
    if (r == static_cast<char>(c)) return static_cast<unsigned char>(row_starts[row] + column);
    ++column;
  }
  return 0;
}

bool is_letter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::optional<Key> KeyDecoder::next(bool idle) {
  for (;;) {
    if (empty()) {
      buffer_.clear();
      start_ = 0;
      return std::nullopt;
    }
    Key key;
    switch (decode(idle, key)) {
      case Step::key: return key;
      case Step::need_more: return std::nullopt;
      case Step::dropped: break;
    }
  }
}

void KeyDecoder::consume(std::size_t n) {
  start_ += n;
  if (start_ > 4096 && start_ * 2 > buffer_.size()) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
}

KeyDecoder::Step KeyDecoder::decode(bool idle, Key& key) {
  const unsigned char b = at(0);
  // CR LF and LF CR are each one Enter, whichever a scanner sends.
  const bool second_of_pair = (b == '\n' && after_cr_) || (b == '\r' && after_lf_);
  after_cr_ = b == '\r' && !second_of_pair;
  after_lf_ = b == '\n' && !second_of_pair;
  if (b == esc) return decode_escape(idle, key);
  if (b >= 0x80) return decode_utf8(idle, key);
  consume(1);
  if (b == 0 || second_of_pair) return Step::dropped;
  if (b == '\r' || b == '\n') key = keys::enter;
  else if (b == 0x7F || b == 0x08) key = keys::backspace;
  else key = Key::character(b);
  return Step::key;
}

KeyDecoder::Step KeyDecoder::decode_escape(bool idle, Key& key) {
  if (available() < 2) {
    if (!idle) return Step::need_more;
    consume(1);
    key = keys::escape;
    return Step::key;
  }
  const unsigned char second = at(1);
  if (second == '[') return decode_csi(idle, key);
  if (second == 'O') {
    // SS3 key, or Alt+O when nothing that belongs to SS3 follows.
    if (available() < 3 && !idle) return Step::need_more;
    if (available() >= 3) {
      if (unsigned char scan = scan_for_letter(at(2))) {
        consume(3);
        key = Key::special(scan);
        return Step::key;
      }
    }
  }
  if (is_letter(second)) {
    consume(2);
    key = Key::special(scan_for_alt_letter(second));
    return Step::key;
  }
  consume(1);
  key = keys::escape;
  return Step::key;
}

KeyDecoder::Step KeyDecoder::decode_csi(bool idle, Key& key) {
  // ESC [ [ A..E: the Linux console's F1 to F5.
  if (available() >= 3 && at(2) == '[') {
    if (available() < 4) {
      if (!idle) return Step::need_more;
    } else {
      const unsigned char letter = at(3);
      consume(4);
      if (letter < 'A' || letter > 'E') return Step::dropped;
      key = Key::special(static_cast<unsigned char>(scan_f1 + letter - 'A'));
      return Step::key;
    }
  }
  // Parameters and intermediates (0x20 to 0x3F), then one final byte.
  std::size_t i = 2;
  for (; i < available() && i < longest_csi; ++i) {
    const unsigned char c = at(i);
    if (c >= 0x40 && c <= 0x7E) break;
    if (c < 0x20 || c > 0x3F) {
      consume(i);  // a broken sequence: drop it, the odd byte starts afresh
      return Step::dropped;
    }
  }
  if (i >= longest_csi) {
    consume(i);
    return Step::dropped;
  }
  if (i >= available()) {
    if (!idle) return Step::need_more;
    consume(1);
    key = keys::escape;
    return Step::key;
  }
  const unsigned char final_byte = at(i);
  int first_number = 0;
  for (std::size_t j = 2; j < i && at(j) >= '0' && at(j) <= '9'; ++j) {
    first_number = first_number * 10 + (at(j) - '0');
    if (first_number > 1000) break;
  }
  consume(i + 1);
  const unsigned char scan = final_byte == '~' ? scan_for_number(first_number) : scan_for_letter(final_byte);
  if (scan == 0) return Step::dropped;
  key = Key::special(scan);
  return Step::key;
}

KeyDecoder::Step KeyDecoder::decode_utf8(bool idle, Key& key) {
  const unsigned char lead = at(0);
  std::size_t length = 0;
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, c = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, c = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, c = lead & 0x07;
  key = Key::character(static_cast<unsigned char>(CodePage::replacement));
  if (length == 0) {
    consume(1);
    return Step::key;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= available()) {
      if (!idle) return Step::need_more;
      consume(i);
      return Step::key;
    }
    const unsigned char next = at(i);
    // Overlong forms, surrogates and code points past U+10FFFF are no characters.
    const bool bad_second = i == 1 && ((lead == 0xE0 && next < 0xA0) || (lead == 0xED && next >= 0xA0) ||
                                       (lead == 0xF0 && next < 0x90) || (lead == 0xF4 && next >= 0x90));
    if (!is_continuation(next) || bad_second) {
      consume(i);
      return Step::key;
    }
    c = c << 6 | (next & 0x3F);
  }
  consume(length);
  key = Key::character(program_code_page().byte_for(c));
  return Step::key;
}

}  // namespace sortwell

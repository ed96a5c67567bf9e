#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/key.h"

namespace sortwell {

// Turns the bytes a terminal sends into keys; the one place where that
// happens. Enter is CR or LF (an LF straight after a CR belongs to it, and a
// CR straight after an LF),
// Backspace is DEL or BS, UTF-8 characters become the code page's bytes ("?"
// where there is none), and the CSI and SS3 sequences of xterm-compatible
// terminals become scan-code keys; unknown sequences (mouse, focus, paste
// brackets) and NUL are dropped. Escape followed by a letter is Alt+letter.
class KeyDecoder {
 public:
  void push(std::string_view bytes) { buffer_.append(bytes); }

  // The next whole key. With `idle` false, an incomplete sequence at the end
  // of the buffer waits for more bytes (nullopt); with `idle` true no more
  // are coming soon, so it is decided now: a lone Escape, or "?" for a cut
  // UTF-8 character.
  std::optional<Key> next(bool idle);

  bool empty() const { return start_ >= buffer_.size(); }

 private:
  enum class Step { key, dropped, need_more };
  Step decode(bool idle, Key& key);
  Step decode_escape(bool idle, Key& key);
  Step decode_csi(bool idle, Key& key);
  Step decode_utf8(bool idle, Key& key);
  std::size_t available() const { return buffer_.size() - start_; }
  unsigned char at(std::size_t i) const { return static_cast<unsigned char>(buffer_[start_ + i]); }
  void consume(std::size_t n);

  std::string buffer_;
  std::size_t start_ = 0;
  bool after_cr_ = false;
  bool after_lf_ = false;
};

}  // namespace sortwell

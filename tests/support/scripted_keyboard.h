#pragma once

#include <string>
#include <string_view>

#include "platform/key_decoder.h"
#include "platform/keyboard.h"

namespace sortwell::testing {

// Keys typed from a script of terminal bytes ("4711\r", "\x1b[A" for Up),
// decoded as the real terminal's are. When the script runs out the keyboard
// has ended: every further key is Enter.
class ScriptedKeyboard : public Keyboard {
 public:
  explicit ScriptedKeyboard(std::string_view script = {}) { type(script); }
  void type(std::string_view script) { decoder_.push(script); }
  Key wait_key() override {
    if (auto key = decoder_.next(true)) return *key;
    ++keys_after_end_;
    return keys::enter;
  }
  bool key_arrived() override { return !decoder_.empty(); }
  bool script_used_up() const { return decoder_.empty(); }
  int keys_after_end() const { return keys_after_end_; }

 private:
  KeyDecoder decoder_;
  int keys_after_end_ = 0;
};

}  // namespace sortwell::testing

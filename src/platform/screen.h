#pragma once

#include <string_view>

namespace sortwell {

// Where the console's output goes: UTF-8 text with CR, LF, BS and, where
// the screen moves its cursor, the few cursor sequences of the Backspace
// erase.
class Screen {
 public:
  virtual ~Screen() = default;
  virtual void write(std::string_view utf8) = 0;
  // Columns per row; 80 when unknown.
  virtual int width() = 0;
  // False on a terminal that cannot move its cursor up (TERM=dumb): the
  // console then never sends the cursor sequences.
  virtual bool moves_cursor() { return true; }
};

}  // namespace sortwell

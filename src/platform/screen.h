#pragma once

#include <string_view>

namespace sortwell {

// Where the console's output goes: UTF-8 text with CR, LF, BS and the few
// cursor sequences of the Backspace erase.
class Screen {
 public:
  virtual ~Screen() = default;
  virtual void write(std::string_view utf8) = 0;
  // Columns per row; 80 when unknown.
  virtual int width() = 0;
};

}  // namespace sortwell

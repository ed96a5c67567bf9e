#pragma once

#include <string>
#include <vector>

#include "platform/screen.h"

namespace sortwell::testing {

// A screen that keeps what an xterm-compatible terminal would show: rows
// without a bottom (nothing scrolls away), auto-wrap with the pending-wrap
// rule, CR, LF, BS, and the cursor-up and column sequences.
class VirtualTerminal : public Screen {
 public:
  explicit VirtualTerminal(int width = 80, bool moves_cursor = true) : width_(width), moves_cursor_(moves_cursor) {}

  void write(std::string_view utf8) override;
  int width() override { return width_; }
  bool moves_cursor() override { return moves_cursor_; }

  // Every row in UTF-8, trailing blanks removed.
  std::vector<std::string> rows() const;
  // The rows joined by "\n".
  std::string text() const;
  const std::string& output() const { return output_; }
  int cursor_row() const { return row_; }
  int cursor_column() const { return column_; }

 private:
  void put(char32_t c);
  void sequence(const std::string& parameters, char final_byte);

  int width_;
  bool moves_cursor_;
  std::vector<std::u32string> cells_{std::u32string()};
  int row_ = 0;
  int column_ = 0;
  bool wrap_pending_ = false;
  std::string output_;
  std::string escape_;  // an escape sequence being read
  char32_t partial_ = 0;
  int partial_left_ = 0;
};

}  // namespace sortwell::testing

#include "support/virtual_terminal.h"

#include <cstdlib>

#include "common/code_page.h"

namespace sortwell::testing {

void VirtualTerminal::write(std::string_view utf8) {
  output_ += utf8;
  for (char ch : utf8) {
    const auto byte = static_cast<unsigned char>(ch);
    if (!escape_.empty()) {
      escape_ += ch;
      if (escape_.size() > 2 && byte >= 0x40 && byte <= 0x7E) {
        sequence(std::string(escape_.begin() + 2, escape_.end() - 1), ch);
        escape_.clear();
      }
      continue;
    }
    if (partial_left_ > 0) {
      partial_ = partial_ << 6 | (byte & 0x3F);
      if (--partial_left_ == 0) put(partial_);
      continue;
    }
    if (byte == 0x1B) escape_.assign(1, static_cast<char>(byte));
    else if (byte >= 0xF0) partial_ = byte & 0x07, partial_left_ = 3;
    else if (byte >= 0xE0) partial_ = byte & 0x0F, partial_left_ = 2;
    else if (byte >= 0xC0) partial_ = byte & 0x1F, partial_left_ = 1;
    else put(byte);
  }
}

void VirtualTerminal::put(char32_t c) {
  if (c == U'\r') {
    column_ = 0;
    wrap_pending_ = false;
  } else if (c == U'\n') {
    ++row_;
    wrap_pending_ = false;
  } else if (c == U'\b') {
    if (column_ > 0) --column_;
    wrap_pending_ = false;
  } else {
    if (wrap_pending_) {
      column_ = 0;
      ++row_;
      wrap_pending_ = false;
    }
    if (static_cast<int>(cells_.size()) <= row_) cells_.resize(static_cast<std::size_t>(row_) + 1);
    std::u32string& line = cells_[static_cast<std::size_t>(row_)];
    if (static_cast<int>(line.size()) <= column_) line.resize(static_cast<std::size_t>(column_) + 1, U' ');
    line[static_cast<std::size_t>(column_)] = c;
    if (column_ == width_ - 1) wrap_pending_ = true;
    else ++column_;
  }
  if (static_cast<int>(cells_.size()) <= row_) cells_.resize(static_cast<std::size_t>(row_) + 1);
}

void VirtualTerminal::sequence(const std::string& parameters, char final_byte) {
  const int n = parameters.empty() ? 1 : std::atoi(parameters.c_str());
  wrap_pending_ = false;
  if (final_byte == 'A') row_ = row_ >= n ? row_ - n : 0;
  if (final_byte == 'G') column_ = n - 1;
}

std::vector<std::string> VirtualTerminal::rows() const {
  std::vector<std::string> result;
  for (const std::u32string& line : cells_) {
    std::string text;
    for (char32_t c : line) append_utf8(text, c);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    result.push_back(text);
  }
  return result;
}

std::string VirtualTerminal::text() const {
  std::string joined;
  for (const std::string& row : rows()) joined += row + "\n";
  return joined;
}

}  // namespace sortwell::testing

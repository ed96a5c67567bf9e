#include "console/console.h"

#include <array>

#include "platform/code_page.h"

namespace sortwell {
namespace {

// Control bytes shown as the classic PC glyphs, so each takes exactly one cell.
constexpr std::array<char32_t, 32> control_glyphs = {
    U' ',      U'\u263A', U'\u263B', U'\u2665', U'\u2666', U'\u2663', U'\u2660', U'\u2022',
    U'\u25D8', U'\u25CB', U'\u25D9', U'\u2642', U'\u2640', U'\u266A', U'\u266B', U'\u263C',
    U'\u25BA', U'\u25C4', U'\u2195', U'\u203C', U'\u00B6', U'\u00A7', U'\u25AC', U'\u21A8',
    U'\u2191', U'\u2193', U'\u2192', U'\u2190', U'\u221F', U'\u2194', U'\u25B2', U'\u25BC'};
constexpr char32_t delete_glyph = U'\u2302';

// Each byte as the UTF-8 of the one cell that shows it, worked out once.
const std::array<std::string, 256>& cells() {
  static const std::array<std::string, 256> table = [] {
    const CodePage& code_page = program_code_page();
    std::array<std::string, 256> utf8;
    for (int byte = 0; byte < 256; ++byte) {
      char32_t c = code_page.defines(static_cast<unsigned char>(byte)) ? code_page.characters()[byte]
                                                                      : static_cast<char32_t>(CodePage::replacement);
      if (byte < 0x20) c = control_glyphs[static_cast<std::size_t>(byte)];
      if (byte == 0x7F) c = delete_glyph;
      append_utf8(utf8[static_cast<std::size_t>(byte)], c);
    }
    return utf8;
  }();
  return table;
}

}  // namespace

std::string screen_text(std::string_view text) {
  const auto& utf8 = cells();
  std::string out;
  out.reserve(text.size());
  for (char c : text) out += utf8[static_cast<unsigned char>(c)];
  return out;
}

void Console::print_text(std::string_view text) {
  if (text.empty()) return;
  const int width = screen_.width();
  const auto& utf8 = cells();
  std::string& out = unwritten_;
  line_ += text;
  for (char c : text) {
    out += utf8[static_cast<unsigned char>(c)];
    // Wrap as soon as a row is full, so the cursor always stands where the
    // next character goes and a line end after a full row leaves an empty row.
    if (++column_ >= width) {
      out += "\r\n";
      column_ = 0;
    }
  }
}

void Console::print_newline() {
  last_line_ = std::move(line_);
  line_.clear();
  unwritten_ += "\r\n";
  column_ = 0;
  flush();
}

void Console::erase_last_cell() {
  if (!line_.empty()) line_.pop_back();
  if (column_ > 0) {
    unwritten_ += "\b \b";
    --column_;
    return;
  }
  if (!screen_.moves_cursor()) {
    // The wrap left the cursor at the start of an empty row.
    print_again();
    return;
  }
  // From the first column to the last cell of the row above.
  const int width = screen_.width();
  const std::string to_last_column = "\x1b[" + std::to_string(width) + "G";
  unwritten_ += "\x1b[A" + to_last_column + " " + to_last_column;
  column_ = width - 1;
}

std::string Console::read_line() {
  std::string line;
  for (;;) {
    const Key key = read_key();
    if (key == keys::enter) {
      print_newline();
      return line;
    }
    if (key == keys::backspace) {
      if (!line.empty()) {
        line.pop_back();
        erase_last_cell();
      }
    } else if (key.code >= 0x20 && line.size() < line_limit) {
      line += static_cast<char>(key.code);
      print_text(line.substr(line.size() - 1));
    }
  }
}

Key Console::read_key() {
  for (;;) {
    // Keys typed ahead are taken without writing the screen for each of them.
    if (!keyboard_.key_ready()) flush();
    const Key key = keyboard_.wait_key();
    if (key != keys::resumed) return key;
    // Continued after a stop: the shell wrote on the screen meanwhile, so the
    // line being typed (the prompt and what was typed) comes again on a row
    // of its own.
    if (line_.empty()) continue;
    unwritten_ += "\r\n";
    column_ = 0;
    print_again();
  }
}

void Console::print_again() {
  const std::string again = std::move(line_);
  line_.clear();
  print_text(again);
}

void Console::flush() {
  if (unwritten_.empty()) return;
  screen_.write(unwritten_);
  unwritten_.clear();
}

}  // namespace sortwell

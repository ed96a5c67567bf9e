#pragma once

#include <string>
#include <string_view>

#include "platform/keyboard.h"
#include "platform/screen.h"

namespace sortwell {

// A text as the console shows it, in UTF-8: one character for each byte,
// control bytes as glyphs.
std::string screen_text(std::string_view text);

// Printing, line input and single-key input. Texts are code-page byte
// strings. The console keeps the cursor column itself so that long texts
// wrap by character at the screen's width, a text that exactly fills a row
// followed by a line end leaves one empty row, and Backspace can erase
// across a row boundary (on a screen that cannot move its cursor, by
// showing the line again on a fresh row). It never clears the screen or
// sets colours.
class Console {
 public:
  static constexpr std::size_t line_limit = 10000;

  Console(Keyboard& keyboard, Screen& screen) : keyboard_(keyboard), screen_(screen) {}
  ~Console() { flush(); }
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // The text at the cursor, no line end. Each byte takes one cell: control
  // bytes are drawn as glyphs, never acted upon.
  void print_text(std::string_view text);
  void print_newline();
  // A typed line with echo, without its Enter: at most `line_limit`
  // characters; Backspace erases, other control keys are ignored.
  std::string read_line();
  // One key press, no echo.
  Key read_key();
  // The keyboard the keys come from, for a wait that its next key cuts short.
  Keyboard& keyboard() { return keyboard_; }
  // What has been printed on the current line so far (typed text included),
  // and on the line before it.
  const std::string& current_line() const { return line_; }
  const std::string& last_line() const { return last_line_; }
  // Output is gathered and written a line at a time, and before every wait
  // for a key; `flush` writes what is gathered now, before any other wait.
  void flush();

 private:
  void erase_last_cell();
  // The current line again, from the cursor, which stands at a row's start.
  void print_again();

  Keyboard& keyboard_;
  Screen& screen_;
  int column_ = 0;
  std::string unwritten_;
  std::string line_;
  std::string last_line_;
};

}  // namespace sortwell

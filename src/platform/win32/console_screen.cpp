#include "platform/win32/console_screen.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/win32_text.h"

namespace sortwell {
namespace {

constexpr WORD light_grey_on_black = 7;

// What open_console_screen promises.
class ConsoleScreen : public Screen {
 public:
  explicit ConsoleScreen(HANDLE output) : output_(output) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    console_ = GetConsoleScreenBufferInfo(output_, &info);
  }

  void write(std::string_view utf8) override {
    if (!console_) {
      DWORD written = 0;
      WriteFile(output_, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
      return;
    }
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(output_, &info)) return;
    window_ = info.srWindow;
    cursor_ = info.dwCursorPosition;
    const std::wstring text = wide_from_utf8(utf8);
    for (std::size_t i = 0; i < text.size(); ++i) {
      const wchar_t c = text[i];
      if (c == L'\r') {
        flush_run();
        cursor_.X = 0;
      } else if (c == L'\n') {
        flush_run();
        next_row();
      } else if (c == L'\b') {
        flush_run();
        if (cursor_.X > 0) --cursor_.X;
      } else if (c == 0x1B) {
        flush_run();
        i = cursor_sequence(text, i);
      } else {
        run_.push_back(CHAR_INFO{});
        run_.back().Char.UnicodeChar = c;
        run_.back().Attributes = light_grey_on_black;
      }
    }
    flush_run();
    const SHORT last_column = static_cast<SHORT>(window_.Right - window_.Left);
    SetConsoleCursorPosition(output_, COORD{std::min(cursor_.X, last_column), cursor_.Y});
  }

  int width() override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(output_, &info)) return 80;
    return info.srWindow.Right - info.srWindow.Left + 1;
  }

 private:
  // Writes the characters gathered for the current row at the cursor.
  void flush_run() {
    if (run_.empty()) return;
    SMALL_RECT area{cursor_.X, cursor_.Y, static_cast<SHORT>(cursor_.X + run_.size() - 1), cursor_.Y};
    WriteConsoleOutputW(output_, run_.data(), COORD{static_cast<SHORT>(run_.size()), 1}, COORD{0, 0}, &area);
    cursor_.X = static_cast<SHORT>(cursor_.X + run_.size());
    run_.clear();
  }

  // The next row; on the bottom row the window's content moves up one row.
  void next_row() {
    if (cursor_.Y < window_.Bottom) {
      ++cursor_.Y;
      return;
    }
    CHAR_INFO blank{};
    blank.Char.UnicodeChar = L' ';
    blank.Attributes = light_grey_on_black;
    ScrollConsoleScreenBufferW(output_, &window_, nullptr, COORD{window_.Left, static_cast<SHORT>(window_.Top - 1)},
                               &blank);
  }

  // ESC [ A (up a row) or ESC [ n G (to column n); returns the last index used.
  std::size_t cursor_sequence(const std::wstring& text, std::size_t at) {
    std::size_t i = at + 1;
    if (i >= text.size() || text[i] != L'[') return at;
    int number = 0;
    for (++i; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) number = number * 10 + (text[i] - L'0');
    if (i >= text.size()) return i - 1;
    if (text[i] == L'A' && cursor_.Y > window_.Top) --cursor_.Y;
    if (text[i] == L'G' && number > 0) cursor_.X = static_cast<SHORT>(number - 1);
    return i;
  }

  HANDLE output_;
  bool console_ = false;
  SMALL_RECT window_{};
  COORD cursor_{};
  std::vector<CHAR_INFO> run_;
};

}  // namespace

std::unique_ptr<Screen> open_console_screen(HANDLE output) { return std::make_unique<ConsoleScreen>(output); }

}  // namespace sortwell

#include "platform/terminal.h"

#include <windows.h>

#include <vector>

#include "platform/key_decoder.h"
#include "platform/ending.h"
#include "platform/win32/ending.h"
#include "platform/win32/win32_text.h"

namespace sortwell {
namespace {

constexpr WORD light_grey_on_black = 7;

bool is_modifier(WORD virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
    case VK_LWIN: case VK_RWIN: return true;
    default: return false;
  }
}

// A key event as the program's Key: the character in the ANSI code page, or
// for a key without one, and for Alt with a letter, 0 and its scan code.
Key key_of(const KEY_EVENT_RECORD& event) {
  const DWORD state = event.dwControlKeyState;
  const bool alt = state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED);
  const bool ctrl = state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED);
  const wchar_t c = event.uChar.UnicodeChar;
  // Enter and Backspace are 13 and 8 however they arrive (a terminal under
  // wine may send a line feed, or DEL).
  if (event.wVirtualKeyCode == VK_RETURN) return keys::enter;
  if (event.wVirtualKeyCode == VK_BACK) return keys::backspace;
  // Ctrl and Alt together are AltGr, which types characters.
  if (c != 0 && !(alt && !ctrl)) {
    const std::string byte = ansi_from_wide(std::wstring_view(&c, 1));
    if (!byte.empty() && byte[0] != '\0') return Key::character(static_cast<unsigned char>(byte[0]));
  }
  return Key::special(static_cast<unsigned char>(event.wVirtualScanCode));
}

// Set by the console's close, logoff and shutdown events; the session then
// ends as an empty line would, saving an open editor. The handler runs on a
// thread of the system's, and the process ends when it returns: so it waits
// (up to the five seconds Windows allows, less a margin) for the session to
// give the terminal back.
HANDLE session_ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);

// Keys from the console's own keyboard, with its input processing off: no
// echo, no line editing, Ctrl+C a key like any other.
class ConsoleKeyboard : public Keyboard {
 public:
  explicit ConsoleKeyboard(HANDLE input) : input_(input) {}
  Key wait_key() override {
    for (;;) {
      if (repeats_ > 0) {
        --repeats_;
        return repeated_;
      }
      // The console closing, or gone: every key is Enter, so that whatever
      // is open is saved and the prompt quits.
      if (ended_) return keys::enter;
      const HANDLE waits[] = {input_, ending_event()};
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        ended_ = true;
        continue;
      }
      INPUT_RECORD record{};
      DWORD read = 0;
      if (!ReadConsoleInputW(input_, &record, 1, &read) || read == 0) {
        ended_ = true;
        continue;
      }
      if (record.EventType != KEY_EVENT) continue;
      const KEY_EVENT_RECORD& event = record.Event.KeyEvent;
      if (!event.bKeyDown || is_modifier(event.wVirtualKeyCode)) continue;
      repeated_ = key_of(event);
      repeats_ = event.wRepeatCount > 0 ? event.wRepeatCount - 1 : 0;
      return repeated_;
    }
  }
  bool key_ready() override { return repeats_ > 0; }

 private:
  HANDLE input_;
  Key repeated_;
  int repeats_ = 0;
  bool ended_ = false;
};

// Keys from standard input as a byte stream, when there is no console.
class StreamKeyboard : public Keyboard {
 public:
  explicit StreamKeyboard(HANDLE input) : input_(input) {}
  Key wait_key() override {
    for (;;) {
      if (auto key = decoder_.next(ended_)) return *key;
      if (ended_) return keys::enter;
      char buffer[4096];
      DWORD read = 0;
      if (!ReadFile(input_, buffer, sizeof buffer, &read, nullptr) || read == 0) ended_ = true;
      else decoder_.push({buffer, read});
    }
  }

 private:
  HANDLE input_;
  KeyDecoder decoder_;
  bool ended_ = false;
};

// The console screen, drawn cell by cell in light grey on black: the
// console's text, with its line ends (CR, LF), Backspace and the two cursor
// moves of an erase across rows (ESC [ A, ESC [ n G), becomes cell writes,
// scrolls and cursor moves. Without a console, the bytes go out as they are.
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

// Ctrl+C and Ctrl+Break are keys, not interrupts.
BOOL WINAPI on_console_event(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  tell_to_end();
  WaitForSingleObject(session_ended, 4500);
  return TRUE;
}

}  // namespace

struct Terminal::Devices {
  HANDLE input = INVALID_HANDLE_VALUE;
  DWORD saved_mode = 0;
  bool mode_changed = false;
  std::unique_ptr<Keyboard> keyboard;
  std::unique_ptr<ConsoleScreen> screen;
};

Terminal::Terminal() : devices_(std::make_unique<Devices>()) {
  Devices& d = *devices_;
  // The console keyboard itself, so that keys arrive even when standard input is redirected.
  d.input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, 0, nullptr);
  if (d.input != INVALID_HANDLE_VALUE && GetConsoleMode(d.input, &d.saved_mode)) {
    // No echo, no line input, no processed input: every key press reaches us unchanged.
    d.mode_changed = SetConsoleMode(d.input, 0);
    SetConsoleCtrlHandler(on_console_event, TRUE);
    d.keyboard = std::make_unique<ConsoleKeyboard>(d.input);
  } else {
    d.keyboard = std::make_unique<StreamKeyboard>(GetStdHandle(STD_INPUT_HANDLE));
  }
  // Standard output when it is a console, otherwise standard error.
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(output, &info)) output = GetStdHandle(STD_ERROR_HANDLE);
  d.screen = std::make_unique<ConsoleScreen>(output);
}

Terminal::~Terminal() {
  Devices& d = *devices_;
  if (d.mode_changed) SetConsoleMode(d.input, d.saved_mode);
  if (d.input != INVALID_HANDLE_VALUE) CloseHandle(d.input);
  // Whatever the session had open is saved: a closing console may go.
  SetEvent(session_ended);
}

Keyboard& Terminal::keyboard() { return *devices_->keyboard; }
Screen& Terminal::screen() { return *devices_->screen; }

}  // namespace sortwell

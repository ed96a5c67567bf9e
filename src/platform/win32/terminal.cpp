#include "platform/terminal.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/ending.h"
#include "platform/key_decoder.h"
#include "platform/win32/console_screen.h"
#include "platform/win32/ending.h"
#include "platform/win32/session_end.h"
#include "platform/win32/win32_text.h"

namespace sortwell {
namespace {

bool is_modifier(WORD virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
    case VK_LWIN: case VK_RWIN: return true;
    default: return false;
  }
}

// A key of the numeric keypad held with Alt alone and giving no character:
// a digit of a character typed by its number, which comes with Alt's release.
bool is_alt_number_key(const KEY_EVENT_RECORD& event) {
  const DWORD state = event.dwControlKeyState;
  const bool alt_alone = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) && !(state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED));
  if (!alt_alone || event.uChar.UnicodeChar != 0 || (state & ENHANCED_KEY)) return false;
  const WORD key = event.wVirtualKeyCode;
  // With Num Lock off the keypad's digits are the cursor keys, not enhanced.
  return (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) || key == VK_INSERT || key == VK_END || key == VK_DOWN ||
         key == VK_NEXT || key == VK_LEFT || key == VK_CLEAR || key == VK_RIGHT || key == VK_HOME || key == VK_UP ||
         key == VK_PRIOR;
}

// A character as the program's key: its code-page byte, '?' where it has none.
std::optional<Key> character_key(wchar_t c) {
  const std::string byte = code_page_from_wide(std::wstring_view(&c, 1));
  if (byte.empty() || byte[0] == '\0') return std::nullopt;
  return Key::character(static_cast<unsigned char>(byte[0]));
}

// A key event as the program's Key: the character in the program's code page, or
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
    if (const auto key = character_key(c)) return *key;
  }
  return Key::special(static_cast<unsigned char>(event.wVirtualScanCode));
}

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
      take_record();
    }
  }
  bool key_ready() override { return repeats_ > 0; }
  // What has arrived is taken now, as `wait_key` would take it, so that
  // releases, mouse and focus events are no keys.
  bool key_arrived() override {
    DWORD waiting = 0;
    while (repeats_ == 0 && !ended_ && GetNumberOfConsoleInputEvents(input_, &waiting) && waiting > 0) take_record();
    return repeats_ > 0;
  }

 private:
  // One input record: a key (held in `repeated_`, `repeats_` times) or none.
  void take_record() {
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!ReadConsoleInputW(input_, &record, 1, &read) || read == 0) {
      ended_ = true;
      return;
    }
    if (record.EventType != KEY_EVENT) return;
    const KEY_EVENT_RECORD& event = record.Event.KeyEvent;
    // A character typed as Alt and its number, or pasted, arrives on the
    // release of Alt; every other release is no key.
    const wchar_t c = event.uChar.UnicodeChar;
    const bool alt_character = !event.bKeyDown && event.wVirtualKeyCode == VK_MENU && c != 0;
    if (!alt_character && (!event.bKeyDown || is_modifier(event.wVirtualKeyCode))) return;
    // The number's keys themselves are no keys: the character is the key.
    if (is_alt_number_key(event)) return;
    // A character beyond the basic plane comes as two halves: one character,
    // which the code page cannot hold, so one '?' as on Linux.
    if (c >= 0xD800 && c <= 0xDBFF) {
      high_surrogate_ = true;
      return;
    }
    const int times = event.wRepeatCount > 0 ? event.wRepeatCount : 1;
    if (c >= 0xDC00 && c <= 0xDFFF && high_surrogate_) {
      high_surrogate_ = false;
      repeated_ = Key::character('?');
      repeats_ = times;
      return;
    }
    high_surrogate_ = false;
    if (alt_character && !character_key(c)) return;
    repeated_ = alt_character ? *character_key(c) : key_of(event);
    repeats_ = alt_character ? 1 : times;
  }

  HANDLE input_;
  Key repeated_;
  int repeats_ = 0;
  bool ended_ = false;
  bool high_surrogate_ = false;
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
  // Bytes waiting in a pipe count, unread.
  bool key_arrived() override {
    DWORD waiting = 0;
    return !decoder_.empty() || (PeekNamedPipe(input_, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0);
  }

 private:
  HANDLE input_;
  KeyDecoder decoder_;
  bool ended_ = false;
};

// The console's keyboard modes as they were, for a program ended at once.
HANDLE saved_input = INVALID_HANDLE_VALUE;
DWORD saved_input_mode = 0;
void give_back_modes() {
  if (saved_input != INVALID_HANDLE_VALUE) SetConsoleMode(saved_input, saved_input_mode);
}

}  // namespace

struct Terminal::Devices {
  HANDLE input = INVALID_HANDLE_VALUE;
  DWORD saved_mode = 0;
  bool mode_changed = false;
  std::unique_ptr<Keyboard> keyboard;
  std::unique_ptr<Screen> screen;
};

Terminal::Terminal() : devices_(std::make_unique<Devices>()) {
  Devices& d = *devices_;
  watch_for_the_end();
  // The console keyboard itself, so that keys arrive even when standard input is redirected.
  d.input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, 0, nullptr);
  if (d.input != INVALID_HANDLE_VALUE && GetConsoleMode(d.input, &d.saved_mode)) {
    // No echo, no line input, no processed input: every key press reaches us unchanged.
    d.mode_changed = SetConsoleMode(d.input, 0);
    if (d.mode_changed) {
      saved_input = d.input;
      saved_input_mode = d.saved_mode;
      at_end_now(give_back_modes);
    }
    d.keyboard = std::make_unique<ConsoleKeyboard>(d.input);
  } else {
    d.keyboard = std::make_unique<StreamKeyboard>(GetStdHandle(STD_INPUT_HANDLE));
  }
  // Standard output when it is a console, otherwise standard error.
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(output, &info)) output = GetStdHandle(STD_ERROR_HANDLE);
  d.screen = open_console_screen(output);
}

Terminal::~Terminal() {
  Devices& d = *devices_;
  if (d.mode_changed) SetConsoleMode(d.input, d.saved_mode);
  at_end_now(nullptr);
  saved_input = INVALID_HANDLE_VALUE;
  if (d.input != INVALID_HANDLE_VALUE) CloseHandle(d.input);
  // Whatever the session had open is saved: Windows may end the process.
  session_over();
}

Keyboard& Terminal::keyboard() { return *devices_->keyboard; }
Screen& Terminal::screen() { return *devices_->screen; }

}  // namespace sortwell

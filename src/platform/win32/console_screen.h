#pragma once

#include <windows.h>

#include <memory>

#include "platform/screen.h"

namespace sortwell {

// The console screen, drawn cell by cell in light grey on black: the
// console's text, with its line ends (CR, LF), Backspace and the two cursor
// moves of an erase across rows (ESC [ A, ESC [ n G), becomes cell writes,
// scrolls and cursor moves. Without a console, the bytes go to `output` as
// they are.
std::unique_ptr<Screen> open_console_screen(HANDLE output);

}  // namespace sortwell

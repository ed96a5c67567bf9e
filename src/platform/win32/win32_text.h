#pragma once

#include <string>
#include <string_view>

namespace sortwell {

// Texts where they meet Windows, which takes UTF-16. The program's texts
// (records, sentences, keys) are in its code page, Windows-1252 on every
// machine, whatever the system's ANSI code page, so that a record file means
// the same everywhere; paths and the screen's text are UTF-8, so that any
// path survives.
std::wstring wide_from_code_page(std::string_view text);
// A character the code page lacks becomes '?', never a look-alike letter.
std::string code_page_from_wide(std::wstring_view text);
std::wstring wide_from_utf8(std::string_view text);
std::string utf8_from_wide(std::wstring_view text);
// A path for a library that opens files through the C runtime's narrow
// calls: in the system's ANSI code page, or empty (which opens nothing)
// where that cannot hold every character.
std::string ansi_path_from_utf8(std::string_view utf8);

// The program's code page.
inline constexpr unsigned code_page_number = 1252;

}  // namespace sortwell

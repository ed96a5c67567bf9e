#pragma once

#include <string>
#include <string_view>

namespace sortwell {

// Texts where they meet Windows: the program's bytes are in the ANSI code
// page, the system's calls take UTF-16.
std::wstring wide_from_ansi(std::string_view text);
std::wstring wide_from_utf8(std::string_view text);
// A character the ANSI code page lacks becomes its default character.
std::string ansi_from_wide(std::wstring_view text);
std::string utf8_from_wide(std::wstring_view text);

}  // namespace sortwell

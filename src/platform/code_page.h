#pragma once

#include <array>

#include "common/code_page.h"

namespace sortwell {

// The characters of the bytes 0x80 to 0xFF in the platform's single-byte
// code page, at those indices; 0 where a byte has none, or maps only to a C1
// control: Windows-1252 on every platform, so that a record file means the
// same everywhere. POSIX through iconv; Windows through MultiByteToWideChar.
std::array<char32_t, 256> upper_half_of_code_page();

// The program's code page, made once from that table.
const CodePage& program_code_page();

}  // namespace sortwell

#include <windows.h>

#include "platform/code_page.h"
#include "platform/win32/win32_text.h"

namespace sortwell {

std::array<char32_t, 256> upper_half_of_code_page() {
  std::array<char32_t, 256> characters{};
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    const char in = static_cast<char>(byte);
    wchar_t out = 0;
    // A byte the code page leaves undefined stays 0: Windows either refuses
    // it or passes it through as the C1 control of the same number.
    const bool converted = MultiByteToWideChar(code_page_number, MB_ERR_INVALID_CHARS, &in, 1, &out, 1) == 1;
    if (converted && !(out >= 0x80 && out <= 0x9F)) characters[byte] = out;
  }
  return characters;
}

}  // namespace sortwell

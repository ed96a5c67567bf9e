#include "platform/reading_data.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace sortwell {

std::string reading_data_dir() {
  // Beside sortwell.exe, where the installer puts it.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return "tessdata";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return utf8_from_wide(path.substr(0, path.find_last_of(L"\\/") + 1)) + "tessdata";
}

std::string reading_data_source(std::string_view language) {
  return "Sortwell again, or put " + std::string(language) + ".traineddata in the tessdata folder beside sortwell.exe";
}

}  // namespace sortwell

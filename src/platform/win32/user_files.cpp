#include "platform/user_files.h"

#include <windows.h>

#include <cstdlib>

#include "platform/win32/win32_text.h"

namespace sortwell {

std::string settings_path_from_environment() {
  const wchar_t* roaming = _wgetenv(L"APPDATA");
  if (roaming == nullptr || *roaming == L'\0') return {};
  return utf8_from_wide(roaming) + "\\Sortwell\\settings";
}

std::string real_path(const std::string& path) { return path; }

FileResult replace_name(const std::string& from, const std::string& to) {
  // Written through to the disk before it returns.
  const bool moved = MoveFileExW(wide_from_utf8(from).c_str(), wide_from_utf8(to).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  return moved ? FileResult{} : failure_of(static_cast<int>(GetLastError()));
}

void remove_name(const std::string& path) { DeleteFileW(wide_from_utf8(path).c_str()); }

unsigned long running_copy() { return GetCurrentProcessId(); }

}  // namespace sortwell

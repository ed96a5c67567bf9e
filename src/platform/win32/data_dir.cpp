#include <windows.h>

#include "platform/win32/win32_text.h"
#include "platform/data_dir.h"

namespace sortwell {

// Where the records have always been kept on Windows.
std::string data_dir_from_environment() { return "c:\\sortwell"; }

bool make_data_dir(const std::string& data_dir) {
  if (data_dir.empty()) return false;
  const std::wstring path = wide_from_utf8(data_dir);
  if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  return data_dir_usable(data_dir);
}

bool data_dir_usable(const std::string& data_dir) {
  const DWORD attributes = GetFileAttributesW(wide_from_utf8(data_dir).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_READONLY);
}

}  // namespace sortwell

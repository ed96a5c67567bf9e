#include "platform/user_files.h"

#include <windows.h>

#include <cstdlib>

#include "platform/win32/win32_text.h"

namespace sortwell {
namespace {

FileResult from_last_error() { return failure_of(static_cast<int>(GetLastError())); }

}  // namespace

std::string settings_path_from_environment() {
  const wchar_t* roaming = _wgetenv(L"APPDATA");
  if (roaming == nullptr || *roaming == L'\0') return {};
  return utf8_from_wide(roaming) + "\\Sortwell\\settings";
}

FileResult read_small_file(const std::string& path, std::size_t most, std::string& text) {
  HANDLE file = CreateFileW(wide_from_utf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  // No folder for it yet is no file yet.
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) return {FileStatus::missing};
  if (file == INVALID_HANDLE_VALUE) return from_last_error();
  text.assign(most + 1, '\0');
  DWORD read = 0;
  const bool ok = ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  const FileResult result = ok ? FileResult{} : from_last_error();
  CloseHandle(file);
  text.resize(ok ? read : 0);
  if (result && text.size() > most) return {FileStatus::failed, FileCause::other};
  return result;
}

FileResult replace_small_file(const std::string& path, std::string_view text) {
  const std::wstring target = wide_from_utf8(path);
  const std::wstring folder = target.substr(0, target.find_last_of(L"\\/"));
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return from_last_error();
  const std::wstring temporary = target + L".new";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return from_last_error();
  DWORD written = 0;
  FileResult result = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
                          ? (written == text.size() ? FileResult{} : failure_of(ERROR_DISK_FULL))
                          : from_last_error();
  if (result && !FlushFileBuffers(file)) result = from_last_error();
  CloseHandle(file);
  // The rename is written through before it returns.
  if (result && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    result = from_last_error();
  }
  if (!result) DeleteFileW(temporary.c_str());
  return result;
}

}  // namespace sortwell

#include "platform/record_directory.h"

#include <windows.h>

#include "platform/folder_task.h"
#include "platform/record_files.h"
#include "platform/win32/win32_text.h"

namespace sortwell {
namespace {

std::string error_text(DWORD error) {
  if (error == ERROR_SHARING_VIOLATION) return "in use by a running Sortwell";
  return system_error_text(static_cast<int>(error));
}

}  // namespace

std::string system_error_text(int system_error) {
  const DWORD error = static_cast<DWORD>(system_error);
  wchar_t* message = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::string text = message != nullptr ? utf8_from_wide(message) : "error " + std::to_string(error);
  LocalFree(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
  return text;
}

bool read_folder(const std::string& folder, std::size_t head, const std::function<bool(std::string_view name)>& wanted,
                 const std::function<void(const StoredFile&)>& each, std::string& error) {
  const std::wstring directory = wide_from_utf8(folder) + L"\\";
  WIN32_FIND_DATAW found{};
  // Every name, filtered by `wanted`: a pattern would also match short names.
  HANDLE search = FindFirstFileW((directory + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return true;  // a directory with no records
    error = error_text(code);
    return false;
  }
  StoredFile file;
  do {
    // Each name listed and each file read is an answer: a long listing is no silence.
    folder_answered();
    file = StoredFile{utf8_from_wide(found.cFileName), false, 0, {}, {}};
    if (!wanted(file.name)) continue;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      // Read as others may: a session holding the file shares it for reading.
      HANDLE handle = CreateFileW((directory + found.cFileName).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle == INVALID_HANDLE_VALUE) {
        file.error = error_text(GetLastError());
      } else {
        file.regular = GetFileType(handle) == FILE_TYPE_DISK;
        file.size = static_cast<std::uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
        file.error = read_until_settled(file.image, [&](std::string& image) {
          image.resize(head);
          OVERLAPPED start{};
          DWORD read = 0;
          const bool ok = ReadFile(handle, image.data(), static_cast<DWORD>(image.size()), &read, &start) ||
                          GetLastError() == ERROR_HANDLE_EOF;
          image.resize(ok ? read : 0);
          return ok ? std::string() : error_text(GetLastError());
        });
        CloseHandle(handle);
      }
    }
    folder_answered();
    each(file);
  } while (FindNextFileW(search, &found));
  // Only the end of the listing ends it well: a network error is no end.
  const DWORD ended = GetLastError();
  FindClose(search);
  if (ended == ERROR_NO_MORE_FILES) return true;
  error = error_text(ended);
  return false;
}

std::optional<std::chrono::seconds> time_since_written(const std::string& folder, const std::string& name) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  const std::wstring path = wide_from_utf8(folder) + L"\\" + wide_from_utf8(name);
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](FILETIME t) { return static_cast<std::int64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
  // FILETIME counts 100-nanosecond intervals.
  return std::chrono::seconds((ticks(now) - ticks(data.ftLastWriteTime)) / 10000000);
}

}  // namespace sortwell

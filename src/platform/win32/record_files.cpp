#include "platform/record_files.h"

#include <windows.h>

#include <cctype>

#include "platform/win32/win32_text.h"

namespace sortwell {
namespace {

HANDLE handle_of(const OpenFile& file) { return reinterpret_cast<HANDLE>(file.handle); }

// Names that Windows takes for devices, with or without an extension.
bool names_a_device(std::string_view code) {
  std::string base(code.substr(0, code.find('.')));
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : devices) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' && base[3] <= '9';
}

FileStatus status_of(DWORD error) {
  switch (error) {
    case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: return FileStatus::in_use;
    case ERROR_FILE_NOT_FOUND: return FileStatus::missing;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: return FileStatus::exists;
    // A path whose folder is missing, or is a file, names no record.
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_DIRECTORY: case ERROR_FILENAME_EXCED_RANGE:
      return FileStatus::not_a_record;
    default: return FileStatus::failed;
  }
}

bool is_directory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(wide_from_ansi(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Which file is open: its volume and its number there. False for anything
// but a file on a disk.
bool identify(HANDLE file, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information)) return false;
  identity = {information.dwVolumeSerialNumber,
              static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
  return true;
}

OVERLAPPED at_offset(std::size_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  return position;
}

std::string folder_of(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

}  // namespace

const FileNaming& file_naming() {
  // MAX_PATH counts the terminating NUL.
  static constexpr FileNaming naming{"\\/", true, MAX_PATH - 1, true};
  return naming;
}

bool code_fits_file_name(std::string_view code) {
  for (char c : code) {
    // Separators, drive letters, patterns and control bytes never reach a file name.
    if (static_cast<unsigned char>(c) < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return false;
    }
  }
  // Windows drops a trailing dot or blank, so such a code would share a file with another.
  return !code.empty() && code.back() != '.' && code.back() != ' ' && !names_a_device(code);
}

std::string file_name_of_code(std::string_view code) { return std::string(code); }

FileStatus open_file(const std::string& path, OpenMode mode, OpenFile& file) {
  // The sharing is the lock: readers may read (the report), but no other
  // copy may write, rename or delete. DELETE access, so that this copy
  // renames and deletes the file through the handle it holds.
  const std::wstring name = wide_from_ansi(path);
  const bool create = mode == OpenMode::create;
  const DWORD sharing = FILE_SHARE_READ;
  HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, sharing, nullptr,
                              create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  file.writable = handle != INVALID_HANDLE_VALUE;
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    if (is_directory(path)) return FileStatus::not_a_record;
    // A file we may not write is still read.
    if (!create) handle = CreateFileW(name.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) return status_of(GetLastError());
  if (!identify(handle, file.identity)) {
    CloseHandle(handle);
    return FileStatus::not_a_record;
  }
  file.handle = reinterpret_cast<std::intptr_t>(handle);
  return file.writable ? FileStatus::ok : FileStatus::read_only;
}

FileStatus lock_file(const OpenFile&) { return FileStatus::ok; }

bool still_named(const OpenFile&, const std::string&) { return true; }

std::optional<std::size_t> read_at(const OpenFile& file, std::size_t offset, char* buffer, std::size_t size) {
  OVERLAPPED start = at_offset(offset);
  DWORD read = 0;
  // A disk file reads short only at its end.
  if (!ReadFile(handle_of(file), buffer, static_cast<DWORD>(size), &read, &start) && GetLastError() != ERROR_HANDLE_EOF) {
    return std::nullopt;
  }
  return read;
}

bool write_at(const OpenFile& file, std::size_t offset, std::string_view bytes) {
  OVERLAPPED position = at_offset(offset);
  DWORD written = 0;
  return WriteFile(handle_of(file), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &position) &&
         written == bytes.size();
}

bool truncate_file(const OpenFile& file) {
  LARGE_INTEGER start{};
  return SetFilePointerEx(handle_of(file), start, nullptr, FILE_BEGIN) && SetEndOfFile(handle_of(file));
}

bool flush_data(const OpenFile& file) { return FlushFileBuffers(handle_of(file)); }

FileStatus move_without_replacing(const OpenFile& file, const std::string&, const std::string& to) {
  // The held file itself is renamed, through its own handle (which has
  // DELETE access), and ReplaceIfExists false makes the rename fail where a
  // file has the name, as MoveFileExW does without MOVEFILE_REPLACE_EXISTING.
  const std::wstring name = wide_from_ansi(to);
  std::string buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t), '\0');
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  name.copy(rename->FileName, name.size());
  if (SetFileInformationByHandle(handle_of(file), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
    return FileStatus::ok;
  }
  return status_of(GetLastError());
}

bool delete_while_held(const OpenFile& file, const std::string&) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(handle_of(file), FileDispositionInfo, &disposition, sizeof disposition);
}

bool flush_folder_entry(const OpenFile& file, const std::string& path) {
  // A rename is a change to the held file's metadata, which FlushFileBuffers
  // writes out with its data.
  if (file.is_open() && !FlushFileBuffers(handle_of(file))) return false;
  // The folder's own entries (a deletion) are flushed through a handle to it.
  HANDLE folder = CreateFileW(wide_from_ansi(folder_of(path)).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return file.is_open();
  const bool flushed = FlushFileBuffers(folder) || GetLastError() == ERROR_INVALID_FUNCTION;
  CloseHandle(folder);
  return flushed;
}

void close_file(OpenFile& file) {
  if (file.is_open()) CloseHandle(handle_of(file));
  file = {};
}

}  // namespace sortwell

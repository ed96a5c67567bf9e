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

FileCause cause_of(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: case ERROR_NOT_ENOUGH_QUOTA: return FileCause::disk_full;
    case ERROR_ACCESS_DENIED: case ERROR_PRIVILEGE_NOT_HELD: return FileCause::not_allowed;
    case ERROR_WRITE_PROTECT: return FileCause::read_only_folder;
    case ERROR_INVALID_NAME: case ERROR_FILENAME_EXCED_RANGE: case ERROR_BAD_PATHNAME: return FileCause::bad_name;
    // The share's server went away, or the connection to it broke.
    case ERROR_NETNAME_DELETED: case ERROR_BAD_NETPATH: case ERROR_UNEXP_NET_ERR: case ERROR_NETWORK_UNREACHABLE:
    case ERROR_DEV_NOT_EXIST: case ERROR_SEM_TIMEOUT: case ERROR_CONNECTION_ABORTED: case ERROR_NOT_READY:
    case ERROR_BAD_NET_NAME: case ERROR_NETWORK_BUSY: return FileCause::unreachable;
    default: return FileCause::other;
  }
}

FileResult done() { return {}; }
FileResult from_last_error() { return failure_of(static_cast<int>(GetLastError())); }

bool is_directory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(wide_from_utf8(path).c_str());
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

FileResult failure_of(int system_error) {
  const DWORD error = static_cast<DWORD>(system_error);
  FileStatus status = FileStatus::failed;
  switch (error) {
    case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: status = FileStatus::in_use; break;
    case ERROR_FILE_NOT_FOUND: status = FileStatus::missing; break;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: status = FileStatus::exists; break;
    // A path whose folder is missing, or is a file, names no record.
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_DIRECTORY: case ERROR_FILENAME_EXCED_RANGE:
      status = FileStatus::not_a_record;
      break;
    default: break;
  }
  return {status, cause_of(error), system_error};
}

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

FileResult open_file(const std::string& path, OpenMode mode, OpenFile& file) {
  // The sharing is the lock: readers may read (the report), but no other
  // copy may write, rename or delete. DELETE access, so that this copy
  // renames and deletes the file through the handle it holds.
  const std::wstring name = wide_from_utf8(path);
  const bool create = mode == OpenMode::create;
  const DWORD sharing = FILE_SHARE_READ;
  HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, sharing, nullptr,
                              create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  file.writable = handle != INVALID_HANDLE_VALUE;
  // The error of the call that failed, before another call (is_directory) sets its own.
  DWORD why = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  FileResult result;
  if (why == ERROR_ACCESS_DENIED || why == ERROR_WRITE_PROTECT) {
    if (is_directory(path)) return {FileStatus::not_a_record};
    // A file we may not write is still read, and why it cannot be written is kept.
    result = {FileStatus::read_only, cause_of(why), static_cast<int>(why)};
    if (!create) {
      handle = CreateFileW(name.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle == INVALID_HANDLE_VALUE) why = GetLastError();
    }
  }
  if (handle == INVALID_HANDLE_VALUE) return failure_of(static_cast<int>(why));
  if (!identify(handle, file.identity)) {
    CloseHandle(handle);
    return {FileStatus::not_a_record};
  }
  file.handle = reinterpret_cast<std::intptr_t>(handle);
  // An 8.3 alias ("0123~1.cou") opens another record: that code has no name
  // of its own, and never reaches the file.
  if (!still_named(file, path)) {
    close_file(file);
    return {FileStatus::not_a_record, FileCause::bad_name};
  }
  return result;
}

FileResult lock_file(const OpenFile&) { return done(); }

bool still_named(const OpenFile& file, const std::string& path) {
  // A held file shares no deletion, so it cannot have been renamed: what is
  // asked is whether its real name is the one asked for, as Windows compares
  // names (without case).
  const auto name_of = [](std::wstring_view whole) { return whole.substr(whole.find_last_of(L"\\/") + 1); };
  const std::wstring asked = wide_from_utf8(path);
  wchar_t real[MAX_PATH * 4];
  const DWORD size = GetFinalPathNameByHandleW(handle_of(file), real, MAX_PATH * 4, FILE_NAME_NORMALIZED);
  WIN32_FIND_DATAW listed;
  std::wstring_view real_name;
  if (size > 0 && size < MAX_PATH * 4) {
    real_name = name_of(std::wstring_view(real, size));
  } else {
    // Some file systems and shares cannot tell a handle's path. The folder's
    // listing can: the entry that the path names, by its name or its 8.3
    // alias, under its real (long) name.
    const HANDLE search = FindFirstFileW(asked.c_str(), &listed);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    real_name = listed.cFileName;
  }
  const std::wstring_view asked_name = name_of(asked);
  return CompareStringOrdinal(real_name.data(), static_cast<int>(real_name.size()), asked_name.data(),
                              static_cast<int>(asked_name.size()), TRUE) == CSTR_EQUAL;
}

FileResult read_at(const OpenFile& file, std::size_t offset, char* buffer, std::size_t size, std::size_t& got) {
  OVERLAPPED start = at_offset(offset);
  DWORD read = 0;
  // A disk file reads short only at its end.
  const bool ok = ReadFile(handle_of(file), buffer, static_cast<DWORD>(size), &read, &start) ||
                  GetLastError() == ERROR_HANDLE_EOF;
  got = ok ? read : 0;
  return ok ? done() : from_last_error();
}

FileResult write_at(const OpenFile& file, std::size_t offset, std::string_view bytes) {
  OVERLAPPED position = at_offset(offset);
  DWORD written = 0;
  if (!WriteFile(handle_of(file), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &position)) {
    return from_last_error();
  }
  return written == bytes.size() ? done() : failure_of(ERROR_DISK_FULL);
}

FileResult truncate_file(const OpenFile& file) {
  LARGE_INTEGER start{};
  const bool cut = SetFilePointerEx(handle_of(file), start, nullptr, FILE_BEGIN) && SetEndOfFile(handle_of(file));
  return cut ? done() : from_last_error();
}

FileResult flush_data(const OpenFile& file) { return FlushFileBuffers(handle_of(file)) ? done() : from_last_error(); }

FileResult move_without_replacing(const OpenFile& file, const std::string&, const std::string& to) {
  // The held file itself is renamed, through its own handle (which has
  // DELETE access), and ReplaceIfExists false makes the rename fail where a
  // file has the name, as MoveFileExW does without MOVEFILE_REPLACE_EXISTING.
  const std::wstring name = wide_from_utf8(to);
  std::string buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t), '\0');
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  name.copy(rename->FileName, name.size());
  if (SetFileInformationByHandle(handle_of(file), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
    return done();
  }
  return from_last_error();
}

FileResult delete_while_held(const OpenFile& file, const std::string&) {
  // The name goes at once where the file system allows it; otherwise when
  // the last handle closes, a reader's (the report's) included.
  FILE_DISPOSITION_INFO_EX at_once{};
  at_once.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS;
  // FileDispositionInfoEx (Windows 10 1709), named by its number for headers older than that.
  constexpr auto disposition_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
  if (SetFileInformationByHandle(handle_of(file), disposition_ex, &at_once, sizeof at_once)) return done();
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  const bool marked = SetFileInformationByHandle(handle_of(file), FileDispositionInfo, &disposition, sizeof disposition);
  return marked ? done() : from_last_error();
}

FileResult flush_folder_entry(const OpenFile& file, const std::string& path) {
  // A rename is a change to the held file's metadata, which FlushFileBuffers
  // writes out with its data.
  if (file.is_open() && !FlushFileBuffers(handle_of(file))) return from_last_error();
  // The folder's own entries (a deletion) are flushed through a handle to it.
  HANDLE folder = CreateFileW(wide_from_utf8(folder_of(path)).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return from_last_error();
  const bool flushed = FlushFileBuffers(folder) || GetLastError() == ERROR_INVALID_FUNCTION;
  const FileResult result = flushed ? done() : from_last_error();
  CloseHandle(folder);
  return result;
}

void close_file(OpenFile& file) {
  if (file.is_open()) CloseHandle(handle_of(file));
  file = {};
}

}  // namespace sortwell

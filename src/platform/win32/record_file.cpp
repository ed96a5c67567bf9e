#include "records/record_file.h"

#include <windows.h>

#include <cctype>

#include "common/codepage.h"
#include "platform/win32/win32_text.h"
#include "records/coupon_record.h"

namespace sortwell {
namespace {

constexpr std::string_view record_suffix = ".cou";
// A new record is written under ".<name>.new" and renamed into place.
constexpr std::string_view unpublished_suffix = ".new";

HANDLE handle_of(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

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
    // A path whose folder is missing, or is a file, names no record.
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_DIRECTORY: case ERROR_FILENAME_EXCED_RANGE:
      return FileStatus::not_a_record;
    default: return FileStatus::failed;
  }
}

// Opened with no sharing at all: no second copy can read or write it meanwhile.
HANDLE open_exclusive(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileW(wide_from_ansi(path).c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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

}  // namespace

std::string record_path(const std::string& data_dir, std::string_view code) {
  if (data_dir.empty() || code.empty()) return {};
  const Codepage& codepage = Codepage::ansi();
  for (char c : code) {
    const auto byte = static_cast<unsigned char>(c);
    // Separators, drive letters, patterns and control bytes never reach a file name.
    if (byte < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos || !codepage.defines(byte)) {
      return {};
    }
  }
  // Windows drops a trailing dot or blank, so such a code would share a file with another.
  if (code.back() == '.' || code.back() == ' ' || names_a_device(code)) return {};
  std::string path = data_dir + "\\" + std::string(code) + std::string(record_suffix);
  if (path.size() + 1 + unpublished_suffix.size() >= MAX_PATH) return {};
  return path;
}

FileStatus RecordFile::open(const std::string& path) {
  close();
  if (path.empty()) return FileStatus::not_a_record;
  HANDLE file = open_exclusive(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  writable_ = file != INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    if (is_directory(path)) return FileStatus::not_a_record;
    // A file we may not write is still read.
    file = open_exclusive(path, GENERIC_READ, OPEN_EXISTING);
  }
  if (file == INVALID_HANDLE_VALUE) return status_of(GetLastError());
  if (!identify(file, identity_)) {
    CloseHandle(file);
    return FileStatus::not_a_record;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  path_ = path;
  return writable_ ? FileStatus::ok : FileStatus::read_only;
}

FileStatus RecordFile::create(const std::string& path, std::string_view placeholder) {
  close();
  if (path.empty()) return FileStatus::not_a_record;
  const std::size_t slash = path.find_last_of("\\/") + 1;
  const std::string hidden = path.substr(0, slash) + "." + path.substr(slash) + std::string(unpublished_suffix);
  // One hidden name per code: a second copy creating the same coupon cannot
  // share it, and a leftover from a crash is simply taken over. Shared for
  // deletion only, so that it can be renamed into place while held.
  HANDLE file = CreateFileW(wide_from_ansi(hidden).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return status_of(GetLastError());
  identify(file, identity_);
  handle_ = reinterpret_cast<std::intptr_t>(file);
  writable_ = true;
  path_ = path;
  unpublished_ = hidden;
  if (!write_at(0, placeholder)) {
    close();
    return FileStatus::failed;
  }
  return FileStatus::ok;
}

bool RecordFile::publish() {
  if (unpublished_.empty()) return is_open();
  // Renamed while still held, so no other copy gets in between.
  if (!MoveFileExW(wide_from_ansi(unpublished_).c_str(), wide_from_ansi(path_).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return false;
  }
  unpublished_.clear();
  return true;
}

std::optional<std::string> RecordFile::read_image() const {
  if (handle_ < 0) return std::nullopt;
  std::string image(record_image_size + 1, '\0');
  OVERLAPPED start = at_offset(0);
  DWORD read = 0;
  if (!ReadFile(handle_of(handle_), image.data(), static_cast<DWORD>(image.size()), &read, &start) &&
      GetLastError() != ERROR_HANDLE_EOF) {
    return std::nullopt;
  }
  image.resize(read);
  return image;
}

bool RecordFile::write_at(std::size_t offset, std::string_view bytes) {
  if (!writable()) return false;
  OVERLAPPED position = at_offset(offset);
  DWORD written = 0;
  return WriteFile(handle_of(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &position) &&
         written == bytes.size() && FlushFileBuffers(handle_of(handle_));
}

bool RecordFile::remove() {
  if (!is_open()) return false;
  const std::string name = unpublished_.empty() ? path_ : unpublished_;
  unpublished_.clear();
  close();
  return DeleteFileW(wide_from_ansi(name).c_str());
}

void RecordFile::close() {
  if (handle_ >= 0) CloseHandle(handle_of(handle_));
  // A created file never published does not stay behind.
  if (!unpublished_.empty()) DeleteFileW(wide_from_ansi(unpublished_).c_str());
  handle_ = -1;
  writable_ = false;
  unpublished_.clear();
}

}  // namespace sortwell

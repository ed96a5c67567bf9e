#include "records/record_file.h"

#include <thread>

#include "common/code_page.h"
#include "records/coupon_record.h"

namespace sortwell {
namespace {

constexpr std::string_view record_suffix = ".cou";
// A new record is written under its twin, ".<code>.co": hidden, never a
// record's name (those end in ".cou"), one per code, and exactly as long as
// the record's name, so that it fits wherever that does. Then it is
// published under the record's name.
constexpr std::string_view twin_prefix = ".";

// How often an open starts over because the name moved to another file
// between the open and the lock; each time another copy made progress, so
// only a copy that keeps replacing the file could use them up.
constexpr int most_reopens = 8;
// How often a held lock is tried again while waiting for it.
constexpr std::chrono::milliseconds lock_retry{10};

}  // namespace

std::string record_path(const std::string& data_dir, std::string_view code) {
  if (data_dir.empty() || code.empty()) return {};
  const CodePage& code_page = CodePage::ansi();
  for (char c : code) {
    if (c == '\0' || !code_page.defines(static_cast<unsigned char>(c))) return {};
  }
  if (!code_fits_file_name(code)) return {};
  const FileNaming& naming = file_naming();
  std::string path = data_dir + naming.separators[0] + file_name_of_code(code) + std::string(record_suffix);
  // The twin's name is as long.
  const std::size_t name_size = path.size() - data_dir.size() - 1;
  if ((naming.limits_whole_path ? path.size() : name_size) > naming.longest) return {};
  return path;
}

std::string twin_path(const std::string& path) {
  const std::size_t name = path.find_last_of(file_naming().separators) + 1;
  return path.substr(0, name) + std::string(twin_prefix) + path.substr(name, path.size() - name - 1);
}

bool folder_locks(const std::string& folder) {
  const std::string probe = folder + file_naming().separators[0] + ".sortwell-lock-check";
  OpenFile file;
  if (open_file(probe, OpenMode::create, file) != FileStatus::ok) return true;
  const FileStatus locked = lock_file(file);
  delete_while_held(file, probe);
  close_file(file);
  return locked != FileStatus::cannot_lock;
}

FileStatus RecordFile::open_named(const std::string& path, OpenMode mode, std::chrono::milliseconds lock_wait) {
  // The clock is read only once a lock is found held: an open nobody
  // contends costs nothing more.
  std::optional<std::chrono::steady_clock::time_point> give_up;
  for (int reopened = 0;;) {
    OpenFile file;
    const FileStatus opened = open_file(path, mode, file);
    const FileStatus locked = opened == FileStatus::ok || opened == FileStatus::read_only ? lock_file(file) : opened;
    // The lock is on the record only if the name still leads to this file.
    if (locked == FileStatus::ok && still_named(file, path)) {
      file_ = file;
      return opened;
    }
    close_file(file);
    if (locked == FileStatus::in_use) {
      const auto now = std::chrono::steady_clock::now();
      if (!give_up) give_up = now + lock_wait;
      if (now >= *give_up) return FileStatus::in_use;
      std::this_thread::sleep_for(lock_retry);
    } else if (locked != FileStatus::ok) {
      return locked;
    } else if (++reopened > most_reopens) {
      return FileStatus::in_use;
    }
  }
}

FileStatus RecordFile::open(const std::string& path, std::chrono::milliseconds lock_wait) {
  close();
  if (path.empty()) return FileStatus::not_a_record;
  const FileStatus status = open_named(path, OpenMode::existing, lock_wait);
  if (is_open()) path_ = path;
  return status;
}

FileStatus RecordFile::create(const std::string& path, std::string_view placeholder,
                              std::chrono::milliseconds lock_wait) {
  close();
  if (path.empty()) return FileStatus::not_a_record;
  // One twin per code: its lock tells a second copy creating the same
  // coupon, and a leftover from a crash is simply taken over.
  const std::string twin = twin_path(path);
  const FileStatus status = open_named(twin, OpenMode::create, lock_wait);
  if (status != FileStatus::ok) return status == FileStatus::read_only ? FileStatus::failed : status;
  path_ = path;
  unpublished_ = twin;
  // Another copy may have published the record while this one waited.
  OpenFile record;
  const FileStatus there = open_file(path, OpenMode::existing, record);
  close_file(record);
  if (there != FileStatus::missing) {
    close();
    return there == FileStatus::ok || there == FileStatus::read_only || there == FileStatus::in_use ? FileStatus::exists
                                                                                                 : there;
  }
  if (!truncate_file(file_) || !write_at(0, placeholder)) {
    close();
    return FileStatus::failed;
  }
  return FileStatus::ok;
}

FileStatus RecordFile::publish() {
  if (unpublished_.empty()) return is_open() ? FileStatus::ok : FileStatus::failed;
  // The data is durable already (write_at); the name is made so next.
  const FileStatus moved = move_without_replacing(file_, unpublished_, path_);
  if (moved != FileStatus::ok) return moved == FileStatus::exists ? moved : FileStatus::failed;
  unpublished_.clear();
  return flush_folder_entry(file_, path_) ? FileStatus::ok : FileStatus::failed;
}

std::optional<std::string> RecordFile::read_image() const {
  if (!is_open()) return std::nullopt;
  std::string image(record_image_size + 1, '\0');
  const std::optional<std::size_t> got = read_at(file_, 0, image.data(), image.size());
  if (!got) return std::nullopt;
  image.resize(*got);
  return image;
}

bool RecordFile::write_at(std::size_t offset, std::string_view bytes) {
  return writable() && sortwell::write_at(file_, offset, bytes) && flush_data(file_);
}

bool RecordFile::remove() {
  const std::string name = unpublished_.empty() ? path_ : unpublished_;
  // Deleted while still locked, so no other copy is inside it meanwhile.
  const bool deleted = is_open() && delete_while_held(file_, name);
  unpublished_.clear();
  close();
  return deleted && flush_folder_entry(file_, name);
}

void RecordFile::close() {
  // A created file never published does not stay behind.
  if (!unpublished_.empty() && is_open()) delete_while_held(file_, unpublished_);
  if (is_open()) close_file(file_);
  file_ = {};
  unpublished_.clear();
}

}  // namespace sortwell

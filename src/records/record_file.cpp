#include "records/record_file.h"

#include <thread>

#include "platform/code_page.h"
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

// A code that cannot name a file gets no path (record_path).
constexpr FileResult cannot_name{FileStatus::not_a_record, FileCause::bad_name};
constexpr FileResult not_open{FileStatus::failed, FileCause::other};

// `primitive` asked through `watch`, where given.
template <typename Call>
auto asked(FolderWatch* watch, Call&& primitive) -> decltype(primitive()) {
  return watch ? watch->ask(primitive) : primitive();
}

// Whether another copy has put a record in place at `path`: `exists`
// (held or not), `missing`, or why it cannot be told.
FileResult record_in_place(const std::string& path, FolderWatch* watch) {
  const FileResult there = asked(watch, [&] {
    OpenFile record;
    const FileResult opened = open_file(path, OpenMode::existing, record);
    close_file(record);
    return opened;
  });
  const bool found = there.ok() || there.status == FileStatus::read_only || there.status == FileStatus::in_use;
  return found ? FileResult{FileStatus::exists} : there;
}

}  // namespace

std::string record_path(const std::string& data_dir, std::string_view code) {
  if (data_dir.empty() || code.empty()) return {};
  const CodePage& code_page = program_code_page();
  for (char c : code) {
    if (c == '\0' || !code_page.defines(static_cast<unsigned char>(c))) return {};
  }
  if (!code_fits_file_name(code)) return {};
  const FileNaming& naming = file_naming();
  // Every path is UTF-8: the code's text, not its code-page bytes.
  std::string path = data_dir + naming.separators[0] + code_page.to_utf8(code) + std::string(record_suffix);
  // The twin's name is as long.
  const std::size_t name_size = path.size() - data_dir.size() - 1;
  if ((naming.limits_whole_path ? path.size() : name_size) > naming.longest) return {};
  return path;
}

std::string twin_path(const std::string& path) {
  const std::size_t name = path.find_last_of(file_naming().separators) + 1;
  return path.substr(0, name) + std::string(twin_prefix) + path.substr(name, path.size() - name - 1);
}

bool folder_locks(const std::string& folder, FolderWatch* watch) {
  const std::string probe = folder + file_naming().separators[0] + ".sortwell-lock-check";
  return asked(watch, [&] {
    OpenFile file;
    if (!open_file(probe, OpenMode::create, file)) return true;
    const FileResult locked = lock_file(file);
    delete_while_held(file, probe);
    close_file(file);
    return locked.status != FileStatus::cannot_lock;
  });
}

FileResult RecordFile::open_named(const std::string& path, OpenMode mode, std::chrono::milliseconds lock_wait) {
  // The clock is read only once a lock is found held: an open nobody
  // contends costs nothing more.
  std::optional<std::chrono::steady_clock::time_point> give_up;
  for (int reopened = 0;;) {
    OpenFile file;
    FileResult opened, locked;
    // One ask of the folder for the calls of a try.
    const bool held = call([&] {
      opened = open_file(path, mode, file);
      const bool is_open = opened.ok() || opened.status == FileStatus::read_only;
      locked = is_open ? lock_file(file) : opened;
      // The lock is on the record only if the name still leads to this file.
      if (locked.ok() && still_named(file, path)) return true;
      close_file(file);
      return false;
    });
    if (held) {
      file_ = file;
      why_read_only_ = {FileStatus::failed, opened.cause, opened.system_error};
      return opened;
    }
    if (locked.status == FileStatus::in_use) {
      const auto now = std::chrono::steady_clock::now();
      if (!give_up) give_up = now + lock_wait;
      if (now >= *give_up) return locked;
      std::this_thread::sleep_for(lock_retry);
    } else if (!locked.ok()) {
      return locked;
    } else if (++reopened > most_reopens) {
      return {FileStatus::in_use};
    }
  }
}

FileResult RecordFile::open(const std::string& path, std::chrono::milliseconds lock_wait) {
  close();
  if (path.empty()) return cannot_name;
  const FileResult result = open_named(path, OpenMode::existing, lock_wait);
  if (is_open()) path_ = path;
  return result;
}

FileResult RecordFile::create(const std::string& path, std::string_view placeholder,
                              std::chrono::milliseconds lock_wait) {
  close();
  if (path.empty()) return cannot_name;
  // One twin per code: its lock tells a second copy creating the same
  // coupon, and a leftover from a crash is simply taken over.
  const std::string twin = twin_path(path);
  const FileResult result = open_named(twin, OpenMode::create, lock_wait);
  if (!result) return result;
  path_ = path;
  unpublished_ = twin;
  // Another copy may have published the record while this one waited.
  if (const FileResult there = record_in_place(path, watch_); there.status != FileStatus::missing) {
    close();
    return there;
  }
  FileResult written = call([&] { return truncate_file(file_); });
  if (written) written = write_at(0, placeholder);
  if (written) written = flush();
  if (!written) close();
  return written;
}

FileResult RecordFile::reopen(std::chrono::milliseconds lock_wait) {
  const std::string name = held_name();
  if (is_open()) call([&] { close_file(file_); });
  const FileResult taken = open_named(name, OpenMode::existing, lock_wait);
  // A twin gone was published by the copy that took it over, or given up.
  if (taken.status == FileStatus::missing && !unpublished_.empty()) return record_in_place(path_, watch_);
  return taken;
}

FileResult RecordFile::relock() {
  if (!is_open()) return not_open;
  // Asked as every call is: after a failed write the folder may well not answer.
  return call([&] {
    const FileResult locked = lock_file(file_);
    if (!locked) return locked;
    return still_named(file_, held_name()) ? FileResult{} : FileResult{FileStatus::changed};
  });
}

FileResult RecordFile::publish() {
  if (unpublished_.empty()) return is_open() ? FileResult{} : FileResult{FileStatus::failed, FileCause::other};
  // The data is durable already (flush); the name is made so next.
  const FileResult moved = call([&] { return move_without_replacing(file_, unpublished_, path_); });
  // The twin holds the typed record: kept, unless another copy's record is
  // in place (the user hears that theirs was not kept). A later creation of
  // the code takes it over; the report names it meanwhile.
  if (!moved && moved.status != FileStatus::exists) keep_twin_ = true;
  if (!moved) return moved;
  unpublished_.clear();
  call([&] { return flush_folder_entry(file_, path_); });
  return moved;
}

FileResult RecordFile::read_image(std::string& image) const {
  image.assign(record_image_size + 1, '\0');
  std::size_t got = 0;
  const FileResult read = is_open() ? call([&] { return read_at(file_, 0, image.data(), image.size(), got); }) : not_open;
  image.resize(got);
  return read;
}

FileResult RecordFile::write_at(std::size_t offset, std::string_view bytes) {
  if (!writable()) return is_open() ? why_read_only_ : not_open;
  return call([&] { return sortwell::write_at(file_, offset, bytes); });
}

FileResult RecordFile::flush() { return is_open() ? call([&] { return flush_data(file_); }) : not_open; }

FileResult RecordFile::remove() {
  const std::string name = held_name();
  // Deleted while still locked, so no other copy is inside it meanwhile.
  const FileResult deleted = is_open() ? call([&] { return delete_while_held(file_, name); }) : not_open;
  unpublished_.clear();
  close();
  if (deleted) call([&] { return flush_folder_entry(file_, name); });
  return deleted;
}

void RecordFile::close() {
  // A created file never published does not stay behind.
  if (is_open()) {
    call([&] {
      if (!unpublished_.empty() && !keep_twin_) delete_while_held(file_, unpublished_);
      close_file(file_);
    });
  }
  file_ = {};
  unpublished_.clear();
  keep_twin_ = false;
}

}  // namespace sortwell

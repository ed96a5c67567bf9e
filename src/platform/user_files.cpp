#include "platform/user_files.h"

#include <chrono>
#include <thread>

#include "platform/data_dir.h"

namespace sortwell {
namespace {

std::string folder_of(const std::string& path) { return path.substr(0, path.find_last_of(file_naming().separators)); }

}  // namespace

FileResult read_small_file(const std::string& path, std::size_t most, std::string& text) {
  OpenFile file;
  const std::string real = real_path(path);
  const FileResult opened = open_file(real, OpenMode::existing, file);
  // No folder for it yet is no file yet (Windows: a path not found).
  if (opened.status == FileStatus::not_a_record && !data_dir_usable(folder_of(real))) return {FileStatus::missing};
  if (!opened && opened.status != FileStatus::read_only) return opened;
  text.clear();
  FileResult read;
  for (std::size_t got = 1; read && got > 0 && text.size() <= most;) {
    char buffer[4096];
    read = read_at(file, text.size(), buffer, sizeof buffer, got);
    text.append(buffer, read ? got : 0);
  }
  close_file(file);
  if (read && text.size() > most) return {FileStatus::failed, FileCause::other};
  return read;
}

namespace {

// The lock beside `path` as named (never beside where a link leads, which
// may be a device's folder), waited for while another copy holds it. A file
// system without locks still keeps the settings: the temporary file is this
// copy's own.
FileResult lock_beside(const std::string& path, OpenFile& lock) {
  using namespace std::chrono_literals;
  const auto give_up = std::chrono::steady_clock::now() + 2s;
  for (;;) {
    FileResult taken = open_file(path + ".lock", OpenMode::create, lock);
    if (taken) taken = lock_file(lock);
    if (taken || taken.status == FileStatus::cannot_lock) return {};
    close_file(lock);
    if (taken.status != FileStatus::in_use || std::chrono::steady_clock::now() >= give_up) return taken;
    std::this_thread::sleep_for(10ms);
  }
}

// Writes `text` to a temporary file of this copy's own beside `target` and
// renames it over `target`.
FileResult put_in_place(const std::string& target, std::string_view text) {
  const std::string temporary = target + ".new-" + std::to_string(running_copy());
  OpenFile file;
  FileResult result = open_file(temporary, OpenMode::create, file);
  if (result) result = truncate_file(file);
  if (result) result = write_at(file, 0, text);
  if (result) result = flush_data(file);
  const bool opened = file.is_open();
  close_file(file);
  if (result) result = replace_name(temporary, target);
  // In place: the folder's flush is the last step, and does not unsay it.
  if (result) flush_folder_entry(file, target);
  else if (opened) remove_name(temporary);
  return result;
}

}  // namespace

FileResult change_small_file(const std::string& path, std::size_t most,
                             const std::function<std::string(const std::string& now)>& change) {
  const std::string target = real_path(path);
  // Its folder, for this user alone, on the first change.
  make_data_dir(folder_of(target));
  OpenFile lock;
  FileResult result = lock_beside(path, lock);
  std::string now;
  if (result) {
    const FileResult read = read_small_file(target, most, now);
    if (read.status == FileStatus::missing) now.clear();
    else if (!read) result = read;
  }
  if (result) result = put_in_place(target, change(now));
  close_file(lock);
  return result;
}

}  // namespace sortwell

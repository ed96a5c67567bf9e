#include "platform/user_files.h"

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

FileResult replace_small_file(const std::string& path, std::string_view text) {
  const std::string target = real_path(path);
  const std::string temporary = target + ".new";
  // Its folder, for this user alone, on the first change.
  make_data_dir(folder_of(target));
  OpenFile file;
  FileResult result = open_file(temporary, OpenMode::create, file);
  // Another run writing at the same moment waits its turn.
  if (result) result = lock_file(file);
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

}  // namespace sortwell

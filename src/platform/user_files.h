#pragma once

#include <functional>
#include <string>

#include "platform/record_files.h"

namespace sortwell {

// A user's own small files, such as the settings, kept apart from the
// coupon folder (which several users may share).

// Where this user's settings are kept: POSIX, $XDG_CONFIG_HOME/sortwell/settings
// (~/.config/sortwell/settings); Windows, %APPDATA%\Sortwell\settings.
// Empty when no place can be found.
std::string settings_path_from_environment();

// The whole of a small file (at most `most` bytes; more is `failed` with no
// cause): `missing` when there is none. Written once over the primitives.
FileResult read_small_file(const std::string& path, std::size_t most, std::string& text);

// Changes the small file at `path` whole or not at all, one copy of the
// program at a time: under a lock beside the name (`path`.lock, which stays),
// held from the read to the rename and waited for up to two seconds
// (in_use after), `change` makes the new text from the text there now
// (empty where there is none); a temporary file of this copy's own beside
// it is written, flushed and renamed over it, so that a crash leaves the
// old file or the new one; done once renamed. Only a file read whole, or
// none, is ever replaced: anything that is not a regular file is
// `not_a_record`, and one that cannot be read is told as its read failed.
// Missing folders on the way are made for this user alone; a link at
// `path` keeps leading where it led.
FileResult change_small_file(const std::string& path, std::size_t most,
                             const std::function<std::string(const std::string& now)>& change);

// The primitives under them, one per platform.
// `path` with its links followed (POSIX); as it is where there are none.
std::string real_path(const std::string& path);
// Gives the closed file `from` the name `to`, over any file there.
FileResult replace_name(const std::string& from, const std::string& to);
// Removes the name of a closed file.
void remove_name(const std::string& path);
// This running copy's number, for names of its own (its process id).
unsigned long running_copy();

}  // namespace sortwell

#pragma once

#include <string>
#include <string_view>

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

// Puts `text` at `path` whole or not at all: a temporary file beside it is
// written, flushed and renamed over it, so that a crash leaves the old file
// or the new one; done once renamed. Missing folders on the way are made for
// this user alone; a link at `path` keeps leading where it led.
FileResult replace_small_file(const std::string& path, std::string_view text);

// The primitives under them, one per platform.
// `path` with its links followed (POSIX); as it is where there are none.
std::string real_path(const std::string& path);
// Gives the closed file `from` the name `to`, over any file there.
FileResult replace_name(const std::string& from, const std::string& to);
// Removes the name of a closed file.
void remove_name(const std::string& path);

}  // namespace sortwell

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
// cause): `missing` when there is none.
FileResult read_small_file(const std::string& path, std::size_t most, std::string& text);

// Puts `text` at `path` whole or not at all: a temporary file beside it is
// written, flushed and renamed over it, so that a crash leaves the old file
// or the new one. Missing folders on the way are made for this user alone;
// a link at `path` keeps leading where it led.
FileResult replace_small_file(const std::string& path, std::string_view text);

}  // namespace sortwell

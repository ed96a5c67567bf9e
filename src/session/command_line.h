#pragma once

#include <cstdio>
#include <optional>

namespace sortwell {

// The command line: none starts the session (nullopt); --help and
// --version print to `out` and give status 0; anything else prints the
// usage to `err` and gives status 2. Touches neither the terminal nor the
// data directory.
std::optional<int> handle_command_line(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace sortwell

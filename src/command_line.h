#pragma once

#include <cstdio>
#include <optional>

namespace sortwell {

// The command line: none starts the session (nullopt); --help and
// --version print to `out` and give status 0; "report" and "export" run
// those commands, which only read the data directory; anything else is
// named on `err` with status 2. None of them touches the terminal.
std::optional<int> handle_command_line(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace sortwell

#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "codes/coupon_code.h"

namespace sortwell {

// What the command line asked for: a command that ran, with its exit
// status, or the session and the folder it sorts into.
struct CommandLine {
  std::optional<int> status;  // set when the program is to end with it
  std::string data_dir;       // the session's: --data-dir DIR, else the platform's place
  bool named_dir = false;     // a folder the user named, used as it is, never made
};

// The command line: none, or --data-dir DIR, starts the session; --help and
// --version print to `out` and give status 0; "report" and "export" run
// those commands, which only read the data directory; anything else is
// named on `err` with status 2. None of them touches the terminal. `today`
// is the local date, for the dates that codes carry.
CommandLine handle_command_line(int argc, const char* const* argv, const Date& today, std::FILE* out, std::FILE* err);

}  // namespace sortwell

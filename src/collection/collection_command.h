#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "codes/coupon_code.h"

namespace sortwell {

// `sortwell report [--bin N] [--expires MM] [--expired] [--data-dir DIR]`
// and `sortwell export [--xlsx FILE] [--data-dir DIR]`: `command` is the
// word, `arguments` what follows it; `today` is the local date, for the
// dates that codes carry. They only read: nothing in the data directory is
// written, created or locked. Damaged or odd files are named on `err`.
// Returns the exit status: 0; 1 when damaged or odd files were found (the
// rest is still reported); 2 for a usage error or a data directory that
// cannot be read. A folder that stops answering (a network share) is told on
// `err` within a second, and the program can still be ended meanwhile.
int run_collection_command(std::string_view command, const std::vector<std::string_view>& arguments,
                           const std::string& data_dir, const Date& today, std::FILE* out, std::FILE* err);

// Whether `word` names one of these commands.
bool is_collection_command(std::string_view word);

}  // namespace sortwell

#include "command_line.h"

#include <string_view>
#include <vector>

#include "collection/collection_command.h"
#include "platform/data_dir.h"

namespace sortwell {
namespace {

constexpr const char* usage =
    "Usage: sortwell [-h | --help | -V | --version]\n"
    "       sortwell report [--bin N] [--expires MM] [--data-dir DIR]\n"
    "       sortwell export [--data-dir DIR]\n"
    "Sort paper coupons into numbered bins, by voice. Type or scan a coupon's\n"
    "code at the prompt \"Sortwell: \" and Sortwell counts it, shows its record\n"
    "and says which bin it goes in.\n"
    "\n"
    "At the prompt: a code looks a coupon up; ? help; g ghost mode (no counting);\n"
    "e edit mode; x removes the last coupon's record; y time and date;\n"
    "Enter alone quits.\n"
    "\n"
    "Records: $XDG_DATA_HOME/sortwell, or ~/.local/share/sortwell.\n"
    "Voice: SORTWELL_VOICE=speech-dispatcher (your own voice and settings),\n"
    "espeak (the built-in voice) or none (silent: the sentences are printed);\n"
    "by default speech-dispatcher when a server answers and can speak, else espeak.\n"
    "\n"
    "report   totals per bin, per category and in all: codes, coupons counted\n"
    "         and their face value\n"
    "  --bin N       list every coupon in bin N (0: no bin)\n"
    "  --expires MM  list the coupons that expire in month MM; a record keeps\n"
    "                only the month of its expiry, not the year\n"
    "export   every record as CSV, one row a record, sorted by code\n"
    "  --data-dir DIR  read the records in DIR instead\n"
    "Both only read. Exit status 1: some record files are damaged or odd (each\n"
    "is named on standard error); 2: a usage error or no readable directory.\n"
    "\n"
    "See sortwell(1) for the editor's keys and the record format.\n"
    "Sortwell is free software under the GNU GPL, version 3 or later.\n";

// GNU style: name what is wrong, point at --help, status 2.
int refuse(std::FILE* err, const char* what, std::string_view argument) {
  std::fprintf(err, "sortwell: %s '%.*s'\nTry 'sortwell --help' for more information.\n", what,
               static_cast<int>(argument.size()), argument.data());
  return 2;
}

}  // namespace

std::optional<int> handle_command_line(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  if (argc <= 1) return std::nullopt;
  const std::string_view first = argv[1];
  const bool is_option = first.size() > 1 && first.front() == '-';
  if (first == "--help" || first == "-h") {
    if (argc > 2) return refuse(err, "unexpected argument", argv[2]);
    std::fputs(usage, out);
    return 0;
  }
  if (first == "--version" || first == "-V") {
    if (argc > 2) return refuse(err, "unexpected argument", argv[2]);
    std::fputs("sortwell " SORTWELL_VERSION "\n", out);
    return 0;
  }
  if (is_collection_command(first)) {
    const std::vector<std::string_view> rest(argv + 2, argv + argc);
    return run_collection_command(first, rest, data_dir_from_environment(), out, err);
  }
  if (first.starts_with("--")) return refuse(err, "unrecognized option", first);
  if (is_option) return refuse(err, "invalid option", first);
  return refuse(err, "unexpected argument", first);
}

}  // namespace sortwell

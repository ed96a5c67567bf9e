#include "session/command_line.h"

#include <cstring>
#include <string_view>

namespace sortwell {
namespace {

constexpr const char* usage =
    "Usage: sortwell [-h | --help | -V | --version]\n"
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
    "espeak (the built-in voice) or none (silent); by default speech-dispatcher\n"
    "when a server answers, else espeak.\n"
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
  if (first.starts_with("--")) return refuse(err, "unrecognized option", first);
  if (is_option) return refuse(err, "invalid option", first);
  return refuse(err, "unexpected argument", first);
}

}  // namespace sortwell

#include "session/command_line.h"

#include <cstring>

namespace sortwell {
namespace {

constexpr const char* usage =
    "Usage: sortwell [--help | --version]\n"
    "Sort paper coupons into numbered bins, by voice. Type or scan a coupon's\n"
    "code at the prompt \"Sortwell: \" and Sortwell counts it, shows its record\n"
    "and says which bin it goes in.\n"
    "\n"
    "At the prompt: a code looks a coupon up; ? help; g ghost mode (no counting);\n"
    "e edit mode; x removes the last coupon's record; y time and date;\n"
    "Enter alone quits.\n"
    "\n"
    "Records: $XDG_DATA_HOME/sortwell, or ~/.local/share/sortwell.\n"
    "See sortwell(1) for the editor's keys and the record format.\n";

}  // namespace

std::optional<int> handle_command_line(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  if (argc <= 1) return std::nullopt;
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(usage, out);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::fputs("sortwell " SORTWELL_VERSION "\n", out);
    return 0;
  }
  std::fputs(usage, err);
  return 2;
}

}  // namespace sortwell

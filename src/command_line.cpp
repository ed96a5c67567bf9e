#include "command_line.h"

#include <string_view>
#include <vector>

#include "collection/collection_command.h"
#include "platform/data_dir.h"
#include "platform/output.h"
#include "platform/user_files.h"
#include "reading/read_command.h"
#include "session/settings.h"

namespace sortwell {
namespace {

constexpr const char* usage =
    "Usage: sortwell [--data-dir DIR] [-h | --help | -V | --version]\n"
    "       sortwell report [--bin N] [--expires MM] [--expired] [--data-dir DIR]\n"
    "       sortwell export [--xlsx FILE] [--data-dir DIR]\n"
    "       sortwell read PICTURE\n"
    "Sort paper coupons into numbered bins, by voice. Type or scan a coupon's\n"
    "code at the prompt \"Sortwell: \" and Sortwell counts it, shows its record\n"
    "and says which bin it goes in. A new coupon's GS1 DataBar or UPC-A barcode\n"
    "fills in its value, requirement, expiry and maker, and an expired coupon is\n"
    "told at every scan.\n"
    "\n"
    "At the prompt: a code looks a coupon up; ? help; g ghost mode (no counting);\n"
    "e edit mode; x removes the last coupon's record; y time and date;\n"
    "b brief announcements (the bin alone; the next key cuts speech short);\n"
    "f the last coupon's full announcement; + and - the voice faster or slower;\n"
    "t the collection's totals, t N bin N's; r reads the coupon on the scanner\n"
    "aloud, the largest print first (r in a coupon's menu fills in its\n"
    "description); s screen-reader mode; m the last coupon's menu; k the keys for\n"
    "sorting by ear (b, f, + and -, t, r, s, m, k); Enter alone quits.\n"
    "\n"
    "Records: $XDG_DATA_HOME/sortwell, or ~/.local/share/sortwell; --data-dir DIR\n"
    "sorts into DIR instead, such as a folder shared by several stations.\n"
    "Settings (brief announcements, the voice's rate, screen reader = auto, on or\n"
    "off, the scanner, the print language): $XDG_CONFIG_HOME/sortwell/settings, or\n"
    "~/.config/sortwell/settings; \"scanner = DEVICE\" names a SANE device,\n"
    "\"print language = eng+fra\" reads English and French print.\n"
    "Voice: SORTWELL_VOICE=speech-dispatcher (your own voice and settings),\n"
    "espeak (the built-in voice) or none (silent: the sentences are printed);\n"
    "by default speech-dispatcher when a server answers and can speak, else espeak.\n"
    "Screen readers: where SORTWELL_VOICE is unset and the settings say\n"
    "screen reader = on, or auto (the default) and Orca, Speakup, a braille display\n"
    "(BrlAPI) or AT-SPI's screen reader flag is found at start-up, Sortwell speaks\n"
    "nothing itself and prints each sentence on a line of its own, one line per\n"
    "coupon.\n"
    "\n"
    "report   totals per bin, per category and in all: codes, coupons counted\n"
    "         and their face value\n"
    "  --bin N       list every coupon in bin N (0: no bin)\n"
    "  --expires MM  list the coupons that expire in month MM; a record keeps\n"
    "                only the month of its expiry, not the year\n"
    "  --expired     list the coupons whose barcode carries an expiration date\n"
    "                before today, with that date\n"
    "export   every record as CSV, one row a record, sorted by code, for programs\n"
    "  --xlsx FILE   a workbook for a spreadsheet instead: codes and months as\n"
    "                text, counts and values as numbers, and the report's totals\n"
    "  --data-dir DIR  read the records in DIR instead\n"
    "Both only read. Exit status 1: some record files are damaged or odd (each\n"
    "is named on standard error); 2: a usage error or no readable directory.\n"
    "\n"
    "read PICTURE  prints the print in a picture file (a photo of a coupon: PNG,\n"
    "         JPEG, PNM, TIFF), a line each, the largest print first; status 1\n"
    "         where it cannot be read or holds no print\n"
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

CommandLine handle_command_line(int argc, const char* const* argv, const Date& today, std::FILE* out, std::FILE* err) {
  CommandLine line{std::nullopt, data_dir_from_environment()};
  if (argc <= 1) return line;
  const std::string_view first = argv[1];
  const bool is_option = first.size() > 1 && first.front() == '-';
  const auto finish = [&](int status) {
    line.status = status;
    return line;
  };
  if (first == "--help" || first == "-h") {
    if (argc > 2) return finish(refuse(err, "unexpected argument", argv[2]));
    std::fputs(usage, out);
    return finish(0);
  }
  if (first == "--version" || first == "-V") {
    if (argc > 2) return finish(refuse(err, "unexpected argument", argv[2]));
    std::fputs("sortwell " SORTWELL_VERSION "\n", out);
    return finish(0);
  }
  if (is_collection_command(first)) {
    const std::vector<std::string_view> rest(argv + 2, argv + argc);
    if (argc == 3 && (rest[0] == "--help" || rest[0] == "-h")) {
      std::fputs(usage, out);
      return finish(0);
    }
    return finish(run_collection_command(first, rest, line.data_dir, today, out, err));
  }
  if (first == "read") {
    const std::vector<std::string_view> rest(argv + 2, argv + argc);
    if (argc == 3 && (rest[0] == "--help" || rest[0] == "-h")) {
      std::fputs(usage, out);
      return finish(0);
    }
    // The print language the session reads in; settings that make no sense are told, and the default read in.
    std::string told;
    const Settings settings = load_settings(settings_path_from_environment(), told);
    if (!told.empty()) write_output(err, "sortwell: " + told + "\n", Output::text);
    return finish(run_read_command(rest, settings.print_language, out, err));
  }
  if (first == "--data-dir" || first.starts_with("--data-dir=")) {
    const bool joined = first.starts_with("--data-dir=");
    if (!joined && argc < 3) return finish(refuse(err, "option requires an argument", first));
    line.data_dir = joined ? std::string(first.substr(first.find('=') + 1)) : std::string(argv[2]);
    line.named_dir = true;
    const int next = joined ? 2 : 3;
    if (argc > next) return finish(refuse(err, "unexpected argument", argv[next]));
    if (line.data_dir.empty()) return finish(refuse(err, "option requires an argument", first));
    return line;
  }
  if (first.starts_with("--")) return finish(refuse(err, "unrecognized option", first));
  if (is_option) return finish(refuse(err, "invalid option", first));
  return finish(refuse(err, "unexpected argument", first));
}

}  // namespace sortwell

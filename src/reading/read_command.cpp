#include "reading/read_command.h"

#include "platform/output.h"
#include "reading/coupon_reader.h"

namespace sortwell {

int run_read_command(const std::vector<std::string_view>& arguments, const std::string& languages, std::FILE* out,
                     std::FILE* err) {
  if (arguments.size() != 1 || arguments[0].empty()) {
    std::fputs(arguments.empty() ? "sortwell: read needs a picture file\n" : "sortwell: read takes one picture file\n", err);
    std::fputs("Try 'sortwell --help' for more information.\n", err);
    return 2;
  }
  const std::string picture(arguments[0]);
  CouponReader reader(nullptr);
  ReadOptions options;
  options.languages = languages;
  options.picture = picture;
  const Reading reading = reader.read(options, nullptr);
  if (reading.status != ReadingStatus::read) {
    write_output(err, "sortwell: " + picture + ": " + reading_failure(reading, false) + "\n", Output::text);
    return 1;
  }
  std::string text;
  for (const std::string& line : reading.lines) text += line + "\n";
  if (!write_output(out, text, Output::text)) {
    std::fputs("sortwell: the text could not be written\n", err);
    return 1;
  }
  return 0;
}

}  // namespace sortwell

#include "reading/reading_aloud.h"

#include "platform/code_page.h"
#include "reading/printed_lines.h"

namespace sortwell {

Heard read_while_telling(Voice& voice, Keyboard& keyboard, const PrintReading& print) {
  const Reading reading =
      print.reader.read(print.options, &keyboard, [&] { speak(voice, reading_the_coupon, &keyboard); });
  return {reading.lines, reading_failure(reading, print.options.picture.empty())};
}

void fill_from_print(Console& console, Voice& voice, const PrintReading& print, std::string& description,
                     std::string& expiry, std::size_t description_width) {
  PrintReading asked = print;
  if (!print.reader.scans()) {
    console.print_text("picture file: ");
    // A path is UTF-8, as every path here.
    asked.options.picture = program_code_page().to_utf8(console.read_line());
    if (asked.options.picture.empty()) return;
  }
  const Heard heard = read_while_telling(voice, console.keyboard(), asked);
  if (!heard.failure.empty()) {
    console.print_text(heard.failure);
    console.print_newline();
    speak(voice, heard.failure);
    return;
  }
  if (heard.lines.empty()) return;
  description = description_from(heard.lines, description_width);
  std::string said = "Description: " + description + ".";
  if (const std::string printed = expiry_in_print(heard.lines); expiry.empty() && !printed.empty()) {
    expiry = printed;
    said += " Expiry: " + printed.substr(0, 2) + "/" + printed.substr(2) + ".";
  }
  speak(voice, said, &console.keyboard());
}

}  // namespace sortwell

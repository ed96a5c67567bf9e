#include "editor/field_entry.h"


#include "common/text_value.h"
#include "common/whole_number.h"

namespace sortwell {
namespace {

// Keys exactly as pressed, each echoed at once, until Enter or `limit` keys.
// No line end follows: the next menu starts right after the echo.
void collect_keys(Program& program, const char* question, int limit) {
  Console& console = program.console;
  program.answer_text.clear();
  console.print_text(question);
  console.print_newline();
  for (int i = 0; i < limit; ++i) {
    const std::string key = console.read_key();
    if (key == "\r") break;
    console.print_text(key);
    program.answer_text += key;
  }
}

}  // namespace

void enter_manufacturer(Program& program) {
  program.console.print_text("manufacturer:");
  program.records.current().manufacturer = program.console.read_line();
}

void enter_expiry(Program& program) {
  Console& console = program.console;
  console.print_text("month xx/");
  console.print_newline();
  // One key after the other: the two reads of an expression are unordered.
  std::string month = console.read_key();
  month += console.read_key();
  console.print_text(month + "/");
  std::string year = console.read_key();
  year += console.read_key();
  console.print_text(year);
  console.print_newline();
  program.records.current().expiry = month + year;
}

void enter_description(Program& program) {
  program.console.print_text("description: ");
  program.records.current().description = program.console.read_line();
}

void set_value(Program& program) { collect_keys(program, "Set Value in Cents:", 5); }

void store_value(Program& program) {
  const auto hundredths = static_cast<std::uint16_t>(whole_number(text_value(program.answer_text) * 100));
  program.records.current().value = {static_cast<char>(hundredths & 0xFF), static_cast<char>(hundredths >> 8)};
}

void enter_number_needed(Program& program) {
  program.console.print_text("Number necessary to participate?");
  program.console.print_newline();
  const double digit = text_value(program.console.read_key());
  program.records.current().number_needed = std::string(1, static_cast<char>(whole_number(digit)));
}

void set_bin(Program& program) { collect_keys(program, "Set Bin Number:", 3); }

void store_bin(Program& program) {
  const std::int64_t bin = whole_number(text_value(program.answer_text));
  std::string& field = program.records.current().bin;
  if (bin == -1) field.clear();
  else field = std::string(1, static_cast<char>(static_cast<std::uint8_t>(bin)));
}

}  // namespace sortwell

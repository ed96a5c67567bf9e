#include "editor/field_entry.h"

#include <optional>

#include "common/text_value.h"
#include "common/whole_number.h"

namespace sortwell {
namespace {

// Keys exactly as pressed, each echoed at once, until Enter or `limit` keys.
// No line end follows: the next menu starts right after the echo.
std::string collect_keys(Console& console, const char* question, int limit) {
  std::string answer;
  console.print_text(question);
  console.print_newline();
  for (int i = 0; i < limit; ++i) {
    const Key key = console.read_key();
    if (key == keys::enter) break;
    console.print_text(key.text());
    answer += key.text();
  }
  return answer;
}

// The typed number made whole, when it lies from `lowest` to `highest`
// once rounded; a number beyond every whole number (9E99) lies in no range.
std::optional<std::int64_t> whole_within(double number, std::int64_t lowest, std::int64_t highest) {
  if (!(number > static_cast<double>(lowest) - 1 && number < static_cast<double>(highest) + 1)) return std::nullopt;
  const std::int64_t whole = whole_number(number);
  if (whole < lowest || whole > highest) return std::nullopt;
  return whole;
}

}  // namespace

void enter_manufacturer(Console& console, CouponRecord& record) {
  console.print_text("manufacturer:");
  record.manufacturer = console.read_line();
}

void enter_expiry(Console& console, CouponRecord& record) {
  console.print_text("month xx/");
  console.print_newline();
  // One key after the other: the two reads of an expression are unordered.
  std::string month = console.read_key().text();
  month += console.read_key().text();
  console.print_text(month + "/");
  std::string year = console.read_key().text();
  year += console.read_key().text();
  console.print_text(year);
  console.print_newline();
  record.expiry = month + year;
}

void enter_description(Console& console, CouponRecord& record) {
  console.print_text("description: ");
  record.description = console.read_line();
}

Entry enter_value(Console& console, CouponRecord& record) {
  const std::string answer = collect_keys(console, "Set Value in Cents:", 5);
  // Wrapped into 16 bits, 700 cents would be kept as 44.64.
  const auto hundredths = whole_within(text_value(answer) * 100, 0, 65535);
  if (!hundredths) return {true, value_does_not_fit};
  record.value = static_cast<std::uint16_t>(*hundredths);
  return {!answer.empty(), nullptr};
}

void enter_number_needed(Console& console, CouponRecord& record) {
  console.print_text("Number necessary to participate?");
  console.print_newline();
  record.number_needed = static_cast<std::uint8_t>(whole_number(text_value(console.read_key().text())));
}

Entry enter_bin(Console& console, CouponRecord& record) {
  const std::string answer = collect_keys(console, "Set Bin Number:", 3);
  // Wrapped into 8 bits, bin 263 would be announced as bin 7.
  const auto bin = whole_within(text_value(answer), -1, 255);
  if (!bin) return {true, bin_does_not_fit};
  if (*bin == -1) record.bin.reset();
  else record.bin = static_cast<std::uint8_t>(*bin);
  return {!answer.empty(), nullptr};
}

}  // namespace sortwell

#include "editor/coupon_menu.h"

#include <string>

#include "common/number_text.h"

namespace sortwell {
namespace {

std::string category_line(const CouponRecord& record, const CategoryTable& categories) {
  if (!record.category) return "4) cat: [none setup yet]";
  return "4) cat: " + category_name(categories, *record.category);
}

std::string value_line(const CouponRecord& record) {
  if (!record.value) return "6) $ [unknown]";
  return "6) $ " + number_text(*record.value / 10000.0, Precision::single_precision);
}

std::string number_needed_line(const CouponRecord& record) {
  if (!record.number_needed) return "7) number needed to participate is unknown.";
  return "7) # " + number_text(*record.number_needed);
}

std::string bin_line(const CouponRecord& record) {
  if (!record.bin) return "8) the bin designation for this is unknown.";
  return "8) bin# " + number_text(*record.bin);
}

}  // namespace

void show_coupon_menu(Console& console, const CouponRecord& record, const CategoryTable& categories,
                      std::string_view code) {
  const std::string lines[] = {
      "create/edit coupon menu, item: " + std::string(code),
      "1) manu: " + record.manufacturer,
      "2) exp: " + record.expiry,
      "3) des: " + record.description,
      category_line(record, categories),
      "5) Q = " + record.quantity,
      value_line(record),
      number_needed_line(record),
      bin_line(record),
      "",
  };
  for (const std::string& line : lines) {
    console.print_text(line);
    console.print_newline();
  }
}

}  // namespace sortwell

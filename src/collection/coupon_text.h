#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "collection/collection.h"

namespace sortwell {

// A coupon's fields as the report and the export show them, in UTF-8. Pad
// bytes and unset fields are empty; text is shown as the session shows it.

// A text field without its pad bytes (0x1F and trailing 0x00).
std::string shown(const std::string& field);
std::string month_text(const CouponRecord& record);
std::string count_text(const CollectedCoupon& coupon);
std::string byte_text(std::optional<std::uint8_t> byte);
// The category's name; "(none)" for a file that holds none (-1), and
// "(not in the table)" for an index beyond it.
std::string category_text(int index, const CategoryTable& categories);
// The face value in dollars: "$0.25", "$1.2345".
std::string value_text(const CouponRecord& record);
// Hundredths of a cent as dollars and cents, rounded: "$12.30".
std::string money_in_cents(std::int64_t hundredths_of_a_cent);
std::string two_digits(int number);
// The characters a UTF-8 text takes on a terminal, one per code point.
std::size_t display_width(const std::string& utf8);

}  // namespace sortwell

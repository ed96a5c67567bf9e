#pragma once

#include <compare>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace sortwell {

// What a coupon's code says, read from its digits alone: pure functions,
// no file and no clock (the current year is passed in).

// A calendar date, compared in time order.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
  auto operator<=>(const Date&) const = default;
};
// The local date in a clock's reading.
Date date_of(const std::tm& local);
// "MM-DD-YYYY", as the prompt's y command writes dates: "11-30-2026".
std::string date_text(const Date& date);

// A purchase requirement of a GS1 coupon: how much of what must be bought.
struct Requirement {
  long value = 0;
  int code = 0;  // 0 units, 1 cents on the items, 2 cents in all, 3 and 4 weights, 9 by the cashier
  int family = 0;
};

struct CouponCode {
  enum class Kind {
    plain,       // nothing more is known of it
    databar,     // GS1 DataBar coupon, application identifier 8110
    serialized,  // GS1 serialized coupon, 8112: a maker, no offer
    upc_coupon,  // 12-digit UPC-A coupon (number system 5 or 9), check digit right
  };
  Kind kind = Kind::plain;
  // A code of 8, 12 or 13 digits whose GS1 check digit does not match.
  bool check_digit_wrong = false;
  // The maker: the GS1 company prefix (8110, 8112), or the UPC-A coupon's
  // five-digit manufacturer number.
  std::string company;
  // 8110 only: the save value as printed (cents, or a percentage or count,
  // as `save_value_code` says), the first requirement, and the dates.
  std::optional<long> save_value;
  std::optional<int> save_value_code;  // 0 or 6 cents off, 1 a free item, 2 free items, 5 percent off
  std::optional<Requirement> requirement;
  std::optional<Date> expires;
  std::optional<Date> starts;
};

// Reads `code`. A code that breaks any rule of its format is plain. Two-digit
// years are placed within 50 years of `this_year`, either side.
CouponCode read_coupon_code(std::string_view code, int this_year);

// Whether two codes name the same maker: the same company prefix for GS1
// coupons (8110 and 8112 alike), the same manufacturer number for UPC-A
// coupons. Plain codes have no maker.
bool same_maker(const CouponCode& a, const CouponCode& b);

// The code in a scanned line: a line that begins with an AIM symbology
// identifier ("]" , a letter, a letter or digit, as in "]e0") stands for what
// follows it, but for a UPC-A code after "]E0", sent as 13 digits with a 0
// first: that 0 is no part of it. Any other line is the code itself.
std::string_view code_of_line(std::string_view line);

}  // namespace sortwell

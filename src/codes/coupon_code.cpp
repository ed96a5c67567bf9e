#include "codes/coupon_code.h"

#include <algorithm>
#include <cstdio>

#include "codes/gs1_coupon.h"

namespace sortwell {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The GS1 modulo-10 check: weights 3 and 1 from the right, the last digit
// being the check digit itself.
bool check_digit_right(std::string_view digits) {
  int sum = 0;
  int weight = 3;
  for (std::size_t i = digits.size() - 1; i-- > 0; weight = 4 - weight) sum += (digits[i] - '0') * weight;
  return (10 - sum % 10) % 10 == digits.back() - '0';
}

bool is_gs1(CouponCode::Kind kind) {
  return kind == CouponCode::Kind::databar || kind == CouponCode::Kind::serialized;
}

}  // namespace

Date date_of(const std::tm& local) { return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}; }

std::string date_text(const Date& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d", date.month, date.day, date.year);
  return text;
}

CouponCode read_coupon_code(std::string_view code, int this_year) {
  CouponCode coupon;
  if (code.empty() || !std::all_of(code.begin(), code.end(), is_digit)) return coupon;
  if (auto gs1 = read_gs1_coupon(code, this_year)) return *gs1;
  const std::size_t size = code.size();
  if (size != 8 && size != 12 && size != 13) return coupon;
  if (!check_digit_right(code)) {
    coupon.check_digit_wrong = true;
  } else if (size == 12 && (code[0] == '5' || code[0] == '9')) {
    // Number system, manufacturer number, family code, value code, check digit.
    coupon.kind = CouponCode::Kind::upc_coupon;
    coupon.company = code.substr(1, 5);
  }
  return coupon;
}

bool same_maker(const CouponCode& a, const CouponCode& b) {
  if (a.kind == CouponCode::Kind::plain || a.company != b.company) return false;
  return is_gs1(a.kind) ? is_gs1(b.kind) : a.kind == b.kind;
}

std::string_view code_of_line(std::string_view line) {
  const bool identified = line.size() >= 3 && line[0] == ']' && is_letter(line[1]) &&
                          (is_letter(line[2]) || is_digit(line[2]));
  if (!identified) return line;
  const std::string_view code = line.substr(3);
  // "]E0" sends every UPC-A as the 13 digits of EAN-13, a 0 before it: the
  // coupon is the same record however it was scanned.
  const bool upc_as_ean = line.starts_with("]E0") && code.size() == 13 && code[0] == '0' &&
                          std::all_of(code.begin(), code.end(), is_digit);
  return upc_as_ean ? code.substr(1) : code;
}

}  // namespace sortwell

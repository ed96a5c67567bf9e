#include "codes/gs1_coupon.h"

namespace sortwell {
namespace {

// The digits after the application identifier, read front to back. Every
// read fails (nullopt) past the end or outside its range; the caller has
// made sure there are only digits.
class Digits {
 public:
  explicit Digits(std::string_view digits) : digits_(digits) {}
  bool done() const { return at_ == digits_.size(); }

  std::optional<std::string_view> take(std::size_t count) {
    if (digits_.size() - at_ < count) return std::nullopt;
    const std::string_view taken = digits_.substr(at_, count);
    at_ += count;
    return taken;
  }
  std::optional<int> digit(int lowest = 0, int highest = 9) {
    const auto taken = take(1);
    if (!taken) return std::nullopt;
    const int d = (*taken)[0] - '0';
    if (d < lowest || d > highest) return std::nullopt;
    return d;
  }
  // A length digit from `lowest` to `highest`, then that many digits plus `extra`.
  std::optional<std::string_view> counted(int lowest, int highest, std::size_t extra = 0) {
    const auto length = digit(lowest, highest);
    if (!length) return std::nullopt;
    return take(static_cast<std::size_t>(*length) + extra);
  }

 private:
  std::string_view digits_;
  std::size_t at_ = 0;
};

long number(std::string_view digits) {
  long n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in(int month, int year) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

// A company prefix: a length digit 0 to 6, then 6 to 12 digits.
std::optional<std::string_view> company_prefix(Digits& d) { return d.counted(0, 6, 6); }

// A requirement code: 0 to 4, or 9 (entered by the cashier).
std::optional<int> requirement_code(Digits& d) {
  const auto code = d.digit();
  if (!code || (*code > 4 && *code != 9)) return std::nullopt;
  return code;
}

// Value (length digit 1 to 5), code and 3-digit family.
std::optional<Requirement> requirement(Digits& d) {
  const auto value = d.counted(1, 5);
  if (!value) return std::nullopt;
  const auto code = requirement_code(d);
  if (!code) return std::nullopt;
  const auto family = d.take(3);
  if (!family) return std::nullopt;
  return Requirement{number(*value), *code, static_cast<int>(number(*family))};
}

// The second and third requirements: a requirement, then the company prefix
// it applies to, or 9 for the coupon's own.
bool further_requirement(Digits& d) {
  if (!requirement(d)) return false;
  const auto length = d.digit();
  if (!length) return false;
  if (*length == 9) return true;
  return *length <= 6 && d.take(static_cast<std::size_t>(*length) + 6).has_value();
}

// The optional fields, each opened by its indicator, in rising order.
bool optional_fields(Digits& d, CouponCode& coupon, int this_year) {
  for (int last = 0; !d.done();) {
    const auto indicator = d.digit();
    if (!indicator || *indicator <= last) return false;
    last = *indicator;
    bool read = false;
    switch (*indicator) {
      case 1: read = d.digit(0, 3) && further_requirement(d); break;
      case 2: read = further_requirement(d); break;
      case 3:
      case 4: {
        const auto yymmdd = d.take(6);
        const auto date = yymmdd ? read_gs1_date(*yymmdd, this_year) : std::nullopt;
        (*indicator == 3 ? coupon.expires : coupon.starts) = date;
        read = date.has_value();
        break;
      }
      case 5: read = d.counted(0, 9, 6).has_value(); break;
      case 6: read = d.counted(1, 7, 6).has_value(); break;
      case 9: {
        const auto save_value_code = d.digit();
        const bool known = save_value_code && (*save_value_code <= 2 || *save_value_code == 5 || *save_value_code == 6);
        coupon.save_value_code = save_value_code;
        // Applies to item 0 to 2, the store coupon flag, don't multiply 0 or 1.
        read = known && d.digit(0, 2) && d.digit() && d.digit(0, 1);
        break;
      }
      default: return false;
    }
    if (!read) return false;
  }
  return !(coupon.starts && coupon.expires && *coupon.starts > *coupon.expires);
}

std::optional<CouponCode> databar(Digits d, int this_year) {
  CouponCode coupon;
  coupon.kind = CouponCode::Kind::databar;
  const auto prefix = company_prefix(d);
  if (!prefix || !d.take(6)) return std::nullopt;  // the offer code
  coupon.company = *prefix;
  const auto save_value = d.counted(1, 5);
  if (!save_value) return std::nullopt;
  coupon.save_value = number(*save_value);
  coupon.requirement = requirement(d);
  if (!coupon.requirement || !optional_fields(d, coupon, this_year)) return std::nullopt;
  return coupon;
}

std::optional<CouponCode> serialized(Digits d) {
  CouponCode coupon;
  coupon.kind = CouponCode::Kind::serialized;
  if (!d.digit(0, 1)) return std::nullopt;  // the format
  const auto prefix = company_prefix(d);
  // The offer code, then the serial number.
  if (!prefix || !d.take(6) || !d.counted(0, 9, 6) || !d.done()) return std::nullopt;
  coupon.company = *prefix;
  return coupon;
}

}  // namespace

std::optional<Date> read_gs1_date(std::string_view yymmdd, int this_year) {
  const int yy = static_cast<int>(number(yymmdd.substr(0, 2)));
  const int month = static_cast<int>(number(yymmdd.substr(2, 2)));
  const int day = static_cast<int>(number(yymmdd.substr(4, 2)));
  // Within 50 years of this year, either side.
  const int century = this_year - this_year % 100;
  const int difference = yy - this_year % 100;
  const int year = century + yy + (difference >= 51 ? -100 : difference <= -50 ? 100 : 0);
  if (month < 1 || month > 12 || day < 1 || day > days_in(month, year)) return std::nullopt;
  return Date{year, month, day};
}

std::optional<CouponCode> read_gs1_coupon(std::string_view code, int this_year) {
  const std::string_view identifier = code.substr(0, 4);
  if (identifier == "8110") return databar(Digits(code.substr(4)), this_year);
  if (identifier == "8112") return serialized(Digits(code.substr(4)));
  return std::nullopt;
}

}  // namespace sortwell

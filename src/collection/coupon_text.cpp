#include "collection/coupon_text.h"

#include <cstdio>

#include "console/console.h"

namespace sortwell {

std::string shown(const std::string& field) {
  std::string text = field;
  std::erase(text, '\x1F');
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return screen_text(text);
}

std::string month_text(const CouponRecord& record) { return shown(record.expiry); }

std::string count_text(const CollectedCoupon& coupon) {
  return coupon.count ? std::to_string(*coupon.count) : std::string();
}

std::string byte_text(std::optional<std::uint8_t> byte) { return byte ? std::to_string(*byte) : std::string(); }

std::string category_text(int index, const CategoryTable& categories) {
  if (index < 0) return "(none)";
  if (index > categories.last_index) return "(not in the table)";
  return category_name(categories, index);
}

std::string value_text(const CouponRecord& record) {
  if (!record.value) return {};
  char text[32];
  std::snprintf(text, sizeof text, "$%u.%04u", *record.value / 10000u, *record.value % 10000u);
  std::string value = text;
  // Hundredths of a cent only where there are any.
  while (value.size() > value.find('.') + 3 && value.back() == '0') value.pop_back();
  return value;
}

std::string money_in_cents(std::int64_t hundredths_of_a_cent) {
  const std::int64_t cents = (hundredths_of_a_cent + 50) / 100;
  char text[40];
  std::snprintf(text, sizeof text, "$%lld.%02lld", static_cast<long long>(cents / 100),
                static_cast<long long>(cents % 100));
  return text;
}

std::string two_digits(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", number);
  return text;
}

std::size_t display_width(const std::string& utf8) {
  std::size_t width = 0;
  for (char c : utf8) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return width;
}

}  // namespace sortwell

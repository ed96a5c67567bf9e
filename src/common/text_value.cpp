#include "common/text_value.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace sortwell {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int digit_in_base(char c, int base) {
  int d = 99;
  if (is_digit(c)) d = c - '0';
  else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  return d < base ? d : -1;
}

// "&" forms: whole numbers, no sign; digits outside the base end the number.
double based_value(std::string_view rest) {
  int base = 8;
  if (!rest.empty()) {
    switch (std::toupper(static_cast<unsigned char>(rest.front()))) {
      case 'H': base = 16; rest.remove_prefix(1); break;
      case 'B': base = 2; rest.remove_prefix(1); break;
      case 'O': case 'Q': base = 8; rest.remove_prefix(1); break;
      default: break;
    }
  }
  double value = 0;
  for (char c : rest) {
    int d = digit_in_base(c, base);
    if (d < 0) break;
    value = value * base + d;
  }
  return value;
}

}  // namespace

double text_value(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  if (i < text.size() && text[i] == '&') return based_value(text.substr(i + 1));

  // Gather the number in the form from_chars reads: [-]digits[.digits][e[-]digits].
  std::string number;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    if (negative) number += '-';
    ++i;
  }
  // Decimal exponent of the first significant digit, to tell overflow from underflow.
  long long magnitude = 0;
  bool significant = false;
  bool any_digit = false;
  bool seen_point = false;
  for (; i < text.size(); ++i) {
    if (is_digit(text[i])) {
      number += text[i];
      any_digit = true;
      if (text[i] != '0') significant = true;
      if (!seen_point && significant) ++magnitude;
      if (seen_point && !significant) --magnitude;
    } else if (text[i] == '.' && !seen_point) {
      number += '.';
      seen_point = true;
    } else {
      break;
    }
  }
  if (!any_digit) return 0;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    std::size_t j = i + 1;
    bool exponent_negative = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      exponent_negative = text[j] == '-';
      ++j;
    }
    long long exponent = 0;
    bool exponent_digit = false;
    for (; j < text.size() && is_digit(text[j]); ++j) {
      exponent = std::min(exponent * 10 + (text[j] - '0'), 1000000LL);
      exponent_digit = true;
    }
    if (exponent_digit) {
      number += 'e';
      number += std::to_string(exponent_negative ? -exponent : exponent);
      magnitude += exponent_negative ? -exponent : exponent;
    }
  }

  double value = 0;
  auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    if (magnitude > 0) return negative ? -HUGE_VAL : HUGE_VAL;
    return negative ? -0.0 : 0.0;
  }
  return value;
}

}  // namespace sortwell

#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace sortwell {

std::string number_text(double value, Precision precision) {
  const int digits = static_cast<int>(precision);
  if (precision == Precision::single_precision) value = static_cast<float>(value);
  std::string text = std::signbit(value) && value != 0 ? "-" : " ";
  if (std::isnan(value)) return text + "NaN";
  if (std::isinf(value)) return text + "Inf";
  if (value == 0) return " 0";

  char buffer[64];
  // Whole numbers that fit the precision are written exactly as they are;
  // they are most of what the program prints (counts, bins, categories).
  const double magnitude = std::fabs(value);
  const double first_too_long = precision == Precision::single_precision ? 1e7 : 1e15;
  if (magnitude == std::floor(magnitude) && magnitude < first_too_long) {
    auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(magnitude)).ptr;
    return text.append(buffer, end);
  }
  // Rounded to the wanted significant digits: "d.ddddde+XX".
  auto end = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, digits - 1).ptr;
  const std::string scientific(buffer, end);
  std::size_t e = scientific.find('e');
  int exponent = std::atoi(scientific.c_str() + e + 1);
  std::string mantissa = scientific.substr(0, 1) + scientific.substr(2, e - 2);
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  const int count = static_cast<int>(mantissa.size());

  const int whole_digits = exponent + 1;
  const int fraction_digits = count - 1 - exponent;
  if (whole_digits > digits || fraction_digits > digits) {
    text += mantissa.substr(0, 1);
    if (count > 1) text += "." + mantissa.substr(1);
    text += exponent < 0 ? "E-" : "E+";
    text += std::to_string(std::abs(exponent));
    return text;
  }
  if (exponent < 0) {
    text += "." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
  } else if (count <= whole_digits) {
    text += mantissa + std::string(static_cast<std::size_t>(whole_digits - count), '0');
  } else {
    text += mantissa.substr(0, static_cast<std::size_t>(whole_digits)) + "." +
            mantissa.substr(static_cast<std::size_t>(whole_digits));
  }
  return text;
}

}  // namespace sortwell

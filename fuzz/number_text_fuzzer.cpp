// Any double written as text must read back as the same number, to the
// digits the precision keeps.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/number_text.h"
#include "common/text_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(double)) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  const std::string text = sortwell::number_text(value);
  if (text.empty() || (text[0] != ' ' && text[0] != '-')) std::abort();
  // Near the largest double, rounding to 15 digits may step past it.
  if (std::isfinite(value) && std::fabs(value) < 1e308) {
    const double back = sortwell::text_value(text);
    if (value == 0 ? back != 0 : std::fabs(back - value) > std::fabs(value) * 1e-14) std::abort();
  }
  const std::string single = sortwell::number_text(value, sortwell::Precision::single_precision);
  if (single.empty()) std::abort();
  return 0;
}

#include "common/whole_number.h"

#include <cmath>

namespace sortwell {

std::int64_t whole_number(double value) {
  // The default rounding mode rounds ties to even.
  const double rounded = std::nearbyint(value);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) return 0;
  return static_cast<std::int64_t>(rounded);
}

}  // namespace sortwell

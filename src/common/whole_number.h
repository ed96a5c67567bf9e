#pragma once

#include <cstdint>

namespace sortwell {

// A number made whole: rounded to the nearest whole number, ties to even
// (2.5 gives 2, 3.5 gives 4). A number outside the signed 64-bit range, or
// no number at all, gives 0. Storing into a byte or a 16-bit field keeps the
// low bits: cast the result to the unsigned field type (two's complement).
std::int64_t whole_number(double value);

}  // namespace sortwell

#pragma once

#include <string>

namespace sortwell {

// How many significant digits a number carries when written.
enum class Precision { single_precision = 7, double_precision = 15 };

// A number as the program prints and speaks it: one blank before a number
// that is not negative, "-" before a negative one; rounded to the precision's
// significant digits; no trailing zeros after the point, no point for a whole
// number, no "0" before the point (" .5", " 12", "-1.25"). Scientific form
// (" 1E+15", " 1.5E-16") only when the whole part or the fraction would need
// more digits than the precision holds.
std::string number_text(double value, Precision precision = Precision::double_precision);

}  // namespace sortwell

#pragma once

#include <optional>
#include <string_view>

#include "codes/coupon_code.h"

namespace sortwell {

// The GS1 US coupon codes, as a scanner sends them: the application
// identifier (8110 or 8112) and its digits, nothing else. nullopt for
// anything that breaks the format.
std::optional<CouponCode> read_gs1_coupon(std::string_view code, int this_year);

// A YYMMDD date: a real calendar date, its century chosen by the GS1 rule.
std::optional<Date> read_gs1_date(std::string_view yymmdd, int this_year);

}  // namespace sortwell

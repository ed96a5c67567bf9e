#pragma once

#include <optional>
#include <string>

#include "collection/collection.h"

namespace sortwell {

// What `sortwell report` lists besides the totals.
struct ReportFilter {
  std::optional<int> bin;      // the coupons in this bin
  std::optional<int> expires;  // the coupons whose stored month is this one (1 to 12)
};

// The report as plain text for a terminal or a screen reader: aligned
// columns, one fact a line, no box-drawing and no colour. Without a filter:
// per bin ("no bin" for bin 0), per category by name, and in all, the number
// of codes, the coupons counted and their face value. With one: each coupon
// it selects, one a line.
std::string write_report(const Collection& collection, const CategoryTable& categories, const ReportFilter& filter);

}  // namespace sortwell

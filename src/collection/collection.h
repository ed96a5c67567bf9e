#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "categories/category_table.h"
#include "codes/coupon_code.h"
#include "records/coupon_record.h"
#include "records/record_directory.h"

namespace sortwell {

// One record file of the collection, as a report shows it.
struct CollectedCoupon {
  std::string file_name;  // UTF-8
  std::string code;       // UTF-8: the code the file is named for
  CouponRecord record;
  std::optional<std::int64_t> count;  // none while the coupon was never counted
  bool count_sound = true;            // false for a count that is no number: left out of every sum
  std::optional<Date> expires;        // the expiration date its code carries
};

// Reads the record files of `data_dir` and hands each record to `each`, in
// the directory's order, with what its code says (two-digit years placed
// near `this_year`). What is wrong with damaged or odd files goes into
// `problems` ("<file>: <what>", sorted by file): a damaged file that still
// holds a record (too short, too long, a count that is no number, a category
// beyond the table) is named and handed over as far as it goes; one that is
// no record at all (not a regular file, unreadable) is only named. False,
// with `error` set, when the directory cannot be read.
bool collect(const std::string& data_dir, const CategoryTable& categories, int this_year,
             const std::function<void(const CollectedCoupon&)>& each, std::vector<std::string>& problems,
             std::string& error);

// What a coupon adds to the sums: its count, and its face value times its
// count in hundredths of a cent; nothing for a damaged count.
std::int64_t counted(const CollectedCoupon& coupon);
std::int64_t face_value(const CollectedCoupon& coupon);

}  // namespace sortwell

#pragma once

#include <string_view>

#include "records/coupon_record.h"
#include "records/record_file.h"

namespace sortwell {

// The record store's operations on the current record and its open file.

// A fresh record: every field empty but the code.
CouponRecord new_record(std::string_view code);
// The record in an image read from a record file.
inline CouponRecord load_record(std::string_view image) { return unpack_record(image); }
// Packs `record` into its image (emptying it) and writes that at position 1.
bool save_record(CouponRecord& record, RecordFile& file);
// The quantity updates: each sets the eight digits of `quantity` and writes
// them at position 264 at once. The count runs modulo 100000000 and never
// goes below 0.
bool add_one_to_quantity(CouponRecord& record, RecordFile& file);
bool remove_one_from_quantity(CouponRecord& record, RecordFile& file);
bool reset_quantity(CouponRecord& record, RecordFile& file);

}  // namespace sortwell

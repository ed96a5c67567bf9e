#pragma once

#include <string_view>

#include "records/coupon_record.h"
#include "records/record_file.h"

namespace sortwell {

// The record file of one lookup, and whether it holds the record yet. Until
// it does (a new record, or a file left empty), quantity updates only change
// the record in memory and the first save writes the whole image, so that a
// crash never leaves a partial record behind.
struct RecordStore {
  RecordFile file;
  bool holds_record = false;
  bool published_elsewhere = false;  // the save found another copy's new record in place first
};

// A fresh record: every field empty but the code.
CouponRecord new_record(std::string_view code);
// The record in an image read from a record file.
inline CouponRecord load_record(std::string_view image) { return unpack_record(image); }
// Packs `record` into its image (emptying it) and writes that at position 1;
// a new file then appears at its path, unless another copy's did first.
bool save_record(CouponRecord& record, RecordStore& store);
// The quantity updates: each sets the eight digits of `quantity` and writes
// them at position 264 at once. The count runs modulo 100000000 and never
// goes below 0.
bool add_one_to_quantity(CouponRecord& record, RecordStore& store);
bool remove_one_from_quantity(CouponRecord& record, RecordStore& store);
bool reset_quantity(CouponRecord& record, RecordStore& store);

}  // namespace sortwell

#pragma once

#include "console/console.h"
#include "records/coupon_record.h"

namespace sortwell {

// The entries of the editor's items. Each asks for its field, reads the
// answer and stores it in the record; no key is refused, and only a number
// too large or too small for its field is. Numbers come from the typed text by `text_value`.

// Item 1: "manufacturer:" and a whole line.
void enter_manufacturer(Console& console, CouponRecord& record);
// Item 2: "month xx/", four keys; the month's two shown before the "/".
void enter_expiry(Console& console, CouponRecord& record);
// Item 3: "description: " and a whole line.
void enter_description(Console& console, CouponRecord& record);
inline constexpr const char* value_does_not_fit =
    "That value does not fit: a coupon can hold at most 655.35 cents. The value is kept as it was.";
inline constexpr const char* bin_does_not_fit =
    "That bin does not fit: bins go from 0 to 255, or minus 1 for none. The bin is kept as it was.";

// What a value or bin entry made of its keys.
struct Entry {
  bool typed = false;              // false when Enter came before any key: the editor ends
  const char* refused = nullptr;   // why the answer does not fit the record; the field kept its value
};

// Item 6: up to five keys, echoed (Enter stops), stored as hundredths of a
// cent. An amount the field cannot hold (below 0, above 655.35 cents) is
// refused.
Entry enter_value(Console& console, CouponRecord& record);
// Item 7: one key, the digit's value (0 for any other key).
void enter_number_needed(Console& console, CouponRecord& record);
// Item 8: up to three keys, echoed (Enter stops); -1 leaves the bin empty.
// A bin the field cannot hold (below -1, above 255) is refused.
Entry enter_bin(Console& console, CouponRecord& record);

}  // namespace sortwell

#pragma once

#include "console/console.h"
#include "records/coupon_record.h"

namespace sortwell {

// The entries of the editor's items. Each asks for its field, reads the
// answer and stores it in the record; nothing is checked and no key is
// refused. Numbers come from the typed text by `text_value`.

// Item 1: "manufacturer:" and a whole line.
void enter_manufacturer(Console& console, CouponRecord& record);
// Item 2: "month xx/", four keys; the month's two shown before the "/".
void enter_expiry(Console& console, CouponRecord& record);
// Item 3: "description: " and a whole line.
void enter_description(Console& console, CouponRecord& record);
// Item 6: up to five keys, echoed (Enter stops), stored as hundredths of a
// cent, low 16 bits. False when Enter came before any key: the editor ends.
bool enter_value(Console& console, CouponRecord& record);
// Item 7: one key, the digit's value (0 for any other key).
void enter_number_needed(Console& console, CouponRecord& record);
// Item 8: up to three keys, echoed (Enter stops), stored as the low 8 bits;
// -1 leaves the bin empty. False when Enter came before any key.
bool enter_bin(Console& console, CouponRecord& record);

}  // namespace sortwell

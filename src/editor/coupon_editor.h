#pragma once

#include <cstdint>
#include <string_view>

#include "categories/category_table.h"
#include "console/console.h"
#include "platform/voice.h"
#include "reading/reading_aloud.h"
#include "records/coupon_record.h"
#include "records/coupon_file.h"

namespace sortwell {

// The editor over `record`, kept in `file`: one key chooses an item
// ("1" to "8"), Enter leaves, and so does a value or bin entry ended by
// Enter alone. The category picker starts at `picker_position` and leaves
// it where the user confirmed. Quantity updates are written at once; the
// record is saved into `file` on the way out. A value or bin the record
// cannot hold is refused, printed and spoken. Returns how the writes went:
// the save's failure, else the first update's, with its reason. "r" fills
// in the description, and an expiry not yet known, from the coupon's print
// read by `print`, where given.
FileResult run_coupon_editor(Console& console, Voice& voice, const CategoryTable& categories,
                             std::uint8_t& picker_position, std::string_view code, CouponRecord& record,
                             CouponFile& file, const PrintReading* print = nullptr);

}  // namespace sortwell

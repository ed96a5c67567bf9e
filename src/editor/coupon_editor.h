#pragma once

#include <cstdint>
#include <string_view>

#include "categories/category_table.h"
#include "console/console.h"
#include "platform/voice.h"
#include "records/coupon_record.h"
#include "records/record_store.h"

namespace sortwell {

// The editor over `record`, kept in `store`: one key chooses an item
// ("1" to "8"), Enter leaves, and so does a value or bin entry ended by
// Enter alone. The category picker starts at `picker_position` and leaves
// it where the user confirmed. Quantity updates are written at once; the
// record is saved into `store` on the way out, which empties it. A value or
// bin the record cannot hold is refused, printed and spoken. Returns
// false when any of those writes failed.
bool run_coupon_editor(Console& console, Voice& voice, const CategoryTable& categories, std::uint8_t& picker_position,
                       std::string_view code, CouponRecord& record, RecordStore& store);

}  // namespace sortwell

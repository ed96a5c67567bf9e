#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "categories/category_table.h"
#include "console/console.h"
#include "platform/voice.h"
#include "records/coupon_record.h"
#include "records/coupon_file.h"

namespace sortwell {

// The editor over `record`, kept in `file`: one key chooses an item
// ("1" to "8"), Enter leaves, and so does a value or bin entry ended by
// Enter alone. The category picker starts at `picker_position` and leaves
// it where the user confirmed. Quantity updates are written at once; the
// record is saved into `file` on the way out. A value or bin the record
// cannot hold is refused, printed and spoken. A quantity update that fails
// is handed to `update_failed` at once, to be told; the record keeps the
// count its file keeps. Returns how the save went, with its reason: what
// the file holds once the editor is left.
FileResult run_coupon_editor(Console& console, Voice& voice, const CategoryTable& categories,
                             std::uint8_t& picker_position, std::string_view code, CouponRecord& record,
                             CouponFile& file, const std::function<void(const FileResult&)>& update_failed);

}  // namespace sortwell

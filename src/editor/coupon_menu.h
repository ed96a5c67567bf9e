#pragma once

#include <string_view>

#include "categories/category_table.h"
#include "console/console.h"
#include "records/coupon_record.h"

namespace sortwell {

// The create/edit coupon menu: ten lines describing `record`, headed by the
// code as typed at the prompt.
void show_coupon_menu(Console& console, const CouponRecord& record, const CategoryTable& categories,
                      std::string_view code);

}  // namespace sortwell

#pragma once

#include <cstdint>

#include "categories/category_table.h"
#include "console/console.h"

namespace sortwell {

// The category picker: u and d step through the table with wrap-around, one
// new status line per key; Enter confirms. Returns the chosen index.
// `picker_position` is where it starts and where it stays, from one use to
// the next.
std::uint8_t pick_category(Console& console, const CategoryTable& table, std::uint8_t& picker_position);

}  // namespace sortwell

#pragma once

#include <cstdint>
#include <string>

#include "categories/category_table.h"
#include "console/console.h"

namespace sortwell {

// The category picker: u and d step through the table with wrap-around, one
// new status line per key; Enter confirms. Returns the one-character text
// whose code is the chosen index (never the empty text). `picker_position`
// is where it starts and where it stays, from one use to the next.
std::string pick_category(Console& console, const CategoryTable& table, std::uint8_t& picker_position);

}  // namespace sortwell

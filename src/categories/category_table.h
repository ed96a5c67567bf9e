#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sortwell {

// The fixed product categories. Slots 0 to 20 hold names; the rest are
// empty, so that every one-byte index names a slot.
struct CategoryTable {
  std::array<std::string, 257> names;
  std::uint8_t last_index = 0;
};

CategoryTable build_category_table();
// The name in slot `index`; empty for 21 to 256 and for indices outside the table.
const std::string& category_name(const CategoryTable& table, int index);

}  // namespace sortwell

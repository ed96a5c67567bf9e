#include "categories/category_table.h"

namespace sortwell {

CategoryTable build_category_table() {
  static constexpr const char* fixed_names[] = {
      "frozen",   "dried",   "canned",  "meat",    "dairy",      "fresh",
      "packaged", "baby",    "pet",     "batteries", "services", "medicine",
      "tobacco",  "alcohol", "coffee",  "tea",     "restaurant", "cleaning supplies",
      "laundry detergent", "household", "automotive"};
  CategoryTable table;
  std::size_t index = 0;
  for (const char* name : fixed_names) table.names[index++] = name;
  table.last_index = static_cast<std::uint8_t>(index - 1);
  return table;
}

const std::string& category_name(const CategoryTable& table, int index) {
  static const std::string none;
  if (index < 0 || index >= static_cast<int>(table.names.size())) return none;
  return table.names[static_cast<std::size_t>(index)];
}

}  // namespace sortwell

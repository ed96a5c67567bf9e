#include "categories/category_picker.h"

#include "common/number_text.h"

namespace sortwell {

std::uint8_t pick_category(Console& console, const CategoryTable& table, std::uint8_t& picker_position) {
  for (int i = 0; i < 4; ++i) console.print_newline();
  console.print_text("Select your category.  Press <enter> key once when finished.  Use the 'u' and 'd' keys to move.");
  console.print_newline();
  for (;;) {
    console.print_text(number_text(picker_position) + ", " + category_name(table, picker_position) + " Of " +
                       number_text(table.last_index) + " total.  Press u)p or d)own to move accordingly.");
    console.print_newline();
    const Key key = console.read_key();
    if (key.upper() == 'U') {
      picker_position = picker_position >= table.last_index ? 0 : static_cast<std::uint8_t>(picker_position + 1);
    } else if (key.upper() == 'D') {
      picker_position = picker_position == 0 ? table.last_index : static_cast<std::uint8_t>(picker_position - 1);
    } else if (key == keys::enter) {
      return picker_position;
    }
  }
}

}  // namespace sortwell

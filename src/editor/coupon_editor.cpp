#include "editor/coupon_editor.h"

#include "categories/category_picker.h"
#include "editor/coupon_menu.h"
#include "editor/field_entry.h"
#include "platform/ending.h"

namespace sortwell {
namespace {

// Item 5: a, r or ! updates the count at once, any other key does nothing.
// Returns whether an update ran; one that failed goes to `update_failed`.
bool quantity_menu(Console& console, CouponRecord& record, CouponFile& file,
                   const std::function<void(const FileResult&)>& update_failed) {
  console.print_text("a)dd, r)emove, !)reset");
  console.print_newline();
  FileResult update;
  switch (console.read_key().upper()) {
    case 'A': update = file.add_one_to_quantity(record); break;
    case 'R': update = file.remove_one_from_quantity(record); break;
    case '!': update = file.reset_quantity(record); break;
    default: return false;
  }
  if (!update) update_failed(update);
  return true;
}

}  // namespace

FileResult run_coupon_editor(Console& console, Voice& voice, const CategoryTable& categories,
                             std::uint8_t& picker_position, std::string_view code, CouponRecord& record,
                             CouponFile& file, const std::function<void(const FileResult&)>& update_failed) {
  note_open_edit(true);
  // An entry ended by Enter alone ends the editor; one refused is told.
  const auto take = [&](const Entry& entry) {
    if (entry.refused != nullptr) {
      console.print_newline();
      console.print_text(entry.refused);
      console.print_newline();
      speak(voice, entry.refused);
    }
    return entry.typed;
  };
  const auto show_menu = [&] { show_coupon_menu(console, record, categories, code); };
  // Only the value and bin entries, answered with Enter alone, end the loop
  // besides Enter at the menu.
  for (bool go_on = true; go_on;) {
    show_menu();
    const Key menu_key = console.read_key();
    if (menu_key == keys::enter) break;
    switch (menu_key.code) {
      case '1': enter_manufacturer(console, record); break;
      case '2': enter_expiry(console, record); break;
      case '3': enter_description(console, record); break;
      case '4': record.category = pick_category(console, categories, picker_position); break;
      case '5':
        if (quantity_menu(console, record, file, update_failed)) show_menu();
        break;
      case '6': go_on = take(enter_value(console, record)); break;
      case '7': enter_number_needed(console, record); break;
      case '8': go_on = take(enter_bin(console, record)); break;
      default: break;
    }
    show_menu();
  }
  const FileResult saved = file.save_record(record);
  note_open_edit(false);
  return saved;
}

}  // namespace sortwell

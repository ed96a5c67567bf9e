#include "session/coupon_lookup.h"

#include "common/number_text.h"
#include "editor/coupon_editor.h"
#include "editor/coupon_menu.h"
#include "records/record_store.h"

namespace sortwell {
namespace {

const std::string edit_request = "I now need you to tell me about your current coupon please.";

// The editor, introduced aloud; afterwards "ok" is what is heard next.
void edit(const LookupContext& context, std::string_view code, CouponRecord& record, RecordFile& file) {
  speak(context.voice, edit_request);
  run_coupon_editor(context.console, context.categories, context.picker_position, code, record, file);
}

}  // namespace

std::string look_up_coupon(const LookupContext& context, std::string_view code, LastEntry& last_entry) {
  if (code.empty()) return {};
  const std::string path = record_path(context.data_dir, code);
  last_entry = {path, {}};
  if (!record_file_exists(path)) speak(context.voice, "no record found.");
  RecordFile file;
  file.open(path);
  std::string image = file.read_image().value_or("");
  std::string pending = "ok";
  if (image.empty()) {
    speak(context.voice, "I don't know this coupon");
    CouponRecord fresh = new_record(code);
    edit(context, code, fresh, file);
    image = file.read_image().value_or("");
  }
  CouponRecord record = load_record(image);
  if (!context.edit_mode && !context.ghost_mode) add_one_to_quantity(record, file);
  if (context.edit_mode) edit(context, code, record, file);
  else pending = announce_coupon(context.console, record, context.categories, code);
  return pending;
}

std::string announce_coupon(Console& console, const CouponRecord& record, const CategoryTable& categories,
                            std::string_view code) {
  show_coupon_menu(console, record, categories, code);
  std::string place;
  if (record.bin.value_or(0) > 0) place += " bin number " + number_text(*record.bin);
  if (record.category.value_or(0) > 0) place += " as category " + number_text(*record.category);
  return record.manufacturer + " offers " + record.description + " quantity " +
         number_text(quantity_count(record)) + place;
}

}  // namespace sortwell

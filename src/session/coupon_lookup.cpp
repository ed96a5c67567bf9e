#include "session/coupon_lookup.h"

#include "common/number_text.h"
#include "editor/coupon_editor.h"
#include "editor/coupon_menu.h"
#include "records/coupon_file.h"
#include "session/barcode.h"
#include "session/failures.h"

namespace sortwell {
namespace {

const char* edit_request = "I now need you to tell me about your current coupon please.";

// The editor, introduced aloud; how storing what was entered went.
FileResult edit(const LookupContext& context, std::string_view code, CouponRecord& record, CouponFile& file) {
  speak(context.voice, edit_request);
  return run_coupon_editor(context.console, context.voice, context.categories, context.picker_position, code, record,
                           file);
}

// A failure to store, told with its reason.
std::string told(const LookupContext& context, const FileResult& result) {
  return tell_failure(context.console, why_not_saved(result));
}

}  // namespace

std::string look_up_coupon(const LookupContext& context, std::string_view code, LastEntry& last_entry) {
  if (code.empty()) return {};
  last_entry = {};
  const std::string path = record_path(context.data_dir, code);
  const Date today = date_of(context.today);
  const CouponCode meaning = read_coupon_code(code, today.year);
  CouponFile file;
  MakerSearch maker;
  const FileResult opened = file.open_or_create(path, new_record(code), context.lock_wait, [&] {
    maker.start(context.data_dir, meaning, today.year);
    if (meaning.check_digit_wrong) speak(context.voice, check_digit_wrong);
    speak(context.voice, "no record found.");
  });
  if (!opened && opened.status != FileStatus::read_only) return told(context, opened);
  std::string image;
  if (!file.read_record_image(image)) return tell_failure(context.console, cannot_read);
  const bool counting = !context.ghost_mode && !context.edit_mode;
  // Nothing is entered or counted that cannot be stored.
  if (!file.writable() && (counting || context.edit_mode || image.empty())) return told(context, file.why_read_only());
  if (image.empty()) {
    maker.start(context.data_dir, meaning, today.year);
    speak(context.voice, "I don't know this coupon");
    CouponRecord fresh = new_record(code);
    // Heard before anything is keyed: the print the user may not read.
    const std::string made_by = maker.get();
    fill_from_code(fresh, meaning, made_by);
    speak(context.voice, barcode_sentence(meaning, made_by));
    if (const FileResult saved = edit(context, code, fresh, file); !saved) return told(context, saved);
    if (!file.read_record_image(image)) return tell_failure(context.console, cannot_read);
  }
  CouponRecord record = load_record(image);
  if (counting) {
    if (const FileResult counted = file.add_one_to_quantity(record); !counted) return told(context, counted);
  }
  last_entry = {path, file.identity()};
  if (!context.edit_mode) {
    const std::string dates = date_sentence(meaning, today);
    const std::string announcement = announce_coupon(context.console, record, context.categories, code);
    return dates.empty() ? announcement : announcement + "  " + dates;
  }
  if (const FileResult saved = edit(context, code, record, file); !saved) return told(context, saved);
  return "ok";
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

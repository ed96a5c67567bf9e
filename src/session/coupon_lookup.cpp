#include "session/coupon_lookup.h"

#include "common/number_text.h"
#include "editor/coupon_editor.h"
#include "editor/coupon_menu.h"
#include "records/record_store.h"
#include "session/barcode.h"
#include "session/failures.h"

namespace sortwell {
namespace {

const char* edit_request = "I now need you to tell me about your current coupon please.";

// The editor, introduced aloud. False when what was entered could not be stored.
bool edit(const LookupContext& context, std::string_view code, CouponRecord& record, RecordStore& store) {
  speak(context.voice, edit_request);
  return run_coupon_editor(context.console, context.voice, context.categories, context.picker_position, code, record, store);
}

// The record file of `path`, opened, or created (not yet in place) when there
// is none: then "no record found." is said first. Another copy may publish
// the record meanwhile; then it is opened after all.
FileStatus open_or_create(const LookupContext& context, const std::string& path, std::string_view code,
                          const CouponCode& meaning, RecordStore& store, bool& created) {
  FileStatus status = store.file.open(path, context.lock_wait);
  created = status == FileStatus::missing;
  if (!created) return status;
  if (meaning.check_digit_wrong) speak(context.voice, check_digit_wrong);
  speak(context.voice, "no record found.");
  status = store.file.create(path, pack_record(new_record(code)), context.lock_wait);
  if (status != FileStatus::exists) return status;
  created = false;
  return store.file.open(path, context.lock_wait);
}

const char* failure_of(FileStatus status) {
  switch (status) {
    case FileStatus::in_use: return open_elsewhere;
    case FileStatus::cannot_lock: return cannot_lock;
    default: return cannot_save;
  }
}

// What went wrong with what the editor entered.
const char* save_failure(const RecordStore& store) { return store.published_elsewhere ? saved_elsewhere : cannot_save; }

}  // namespace

std::string look_up_coupon(const LookupContext& context, std::string_view code, LastEntry& last_entry) {
  if (code.empty()) return {};
  last_entry = {};
  const std::string path = record_path(context.data_dir, code);
  const Date today = date_of(context.today);
  const CouponCode meaning = read_coupon_code(code, today.year);
  RecordStore store;
  bool created = false;
  const FileStatus status = open_or_create(context, path, code, meaning, store, created);
  if (status != FileStatus::ok && status != FileStatus::read_only) {
    return tell_failure(context.console, failure_of(status));
  }
  std::optional<std::string> image = created ? std::string() : store.file.read_image();
  if (!image) return tell_failure(context.console, cannot_read);
  store.holds_record = !image->empty();
  const bool counting = !context.ghost_mode && !context.edit_mode;
  // Nothing is entered or counted that cannot be stored.
  if (!store.file.writable() && (counting || context.edit_mode || image->empty())) {
    return tell_failure(context.console, cannot_save);
  }
  if (image->empty()) {
    speak(context.voice, "I don't know this coupon");
    CouponRecord fresh = new_record(code);
    // Heard before anything is keyed: the print the user may not read.
    const std::string maker = known_maker(context.data_dir, meaning, today.year);
    fill_from_code(fresh, meaning, maker);
    speak(context.voice, barcode_sentence(meaning, maker));
    if (!edit(context, code, fresh, store)) return tell_failure(context.console, save_failure(store));
    image = store.file.read_image();
    if (!image) return tell_failure(context.console, cannot_read);
  }
  CouponRecord record = load_record(*image);
  if (counting && !add_one_to_quantity(record, store)) return tell_failure(context.console, cannot_save);
  last_entry = {path, store.file.identity()};
  if (!context.edit_mode) {
    const std::string dates = date_sentence(meaning, today);
    const std::string announcement = announce_coupon(context.console, record, context.categories, code);
    return dates.empty() ? announcement : announcement + "  " + dates;
  }
  if (!edit(context, code, record, store)) return tell_failure(context.console, save_failure(store));
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

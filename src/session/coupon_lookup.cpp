#include "session/coupon_lookup.h"

#include "common/number_text.h"
#include "editor/coupon_editor.h"
#include "editor/coupon_menu.h"
#include "records/coupon_file.h"
#include "session/failures.h"

namespace sortwell {
namespace {

const char* edit_request = "I now need you to tell me about your current coupon please.";
const char* new_coupon = "New coupon.";

// The editor, introduced aloud; how storing what was entered went.
FileResult edit(const LookupContext& context, std::string_view code, CouponRecord& record, CouponFile& file) {
  speak(context.voice, edit_request, context.cut_by);
  return run_coupon_editor(context.console, context.voice, context.categories, context.picker_position, code, record,
                           file);
}

// A failure to store, told with its reason.
Reply told(const LookupContext& context, const FileResult& result) {
  return failure_reply(context.console, why_not_saved(result));
}

}  // namespace

std::string brief_announcement(const CouponRecord& record, Validity validity) {
  const bool has_bin = record.bin.value_or(0) > 0;
  // A bin is a number without number_text's leading blank.
  const std::string bin = has_bin ? number_text(*record.bin).substr(1) : "no bin";
  switch (validity) {
    case Validity::expired: return "Expired, " + bin + ".";
    case Validity::not_yet_valid: return "Not yet valid, " + bin + ".";
    case Validity::good: break;
  }
  return has_bin ? bin + "." : "No bin.";
}

Reply look_up_coupon(const LookupContext& context, std::string_view code, LastEntry& last_entry) {
  if (code.empty()) return {};
  last_entry = {};
  const std::string path = record_path(context.data_dir, code);
  const Date today = date_of(context.today);
  const CouponCode meaning = read_coupon_code(code, today.year);
  // Its own copies: a search not used goes on after the lookup.
  const auto search = [data_dir = context.data_dir, meaning, year = today.year] {
    return known_maker(data_dir, meaning, year);
  };
  CouponFile file(context.watch);
  MakerSearch maker(context.unused_searches, context.watch);
  bool told_new = false;
  const FileResult opened = file.open_or_create(path, new_record(code), context.lock_wait, [&] {
    if (meaning.kind != CouponCode::Kind::plain) maker.start(search);
    if (meaning.check_digit_wrong) speak(context.voice, check_digit_wrong);
    speak(context.voice, context.brief ? new_coupon : "no record found.", context.cut_by);
    told_new = true;
  });
  if (!opened && opened.status != FileStatus::read_only) return told(context, opened);
  std::string image;
  if (!file.read_record_image(image)) return failure_reply(context.console, cannot_read);
  const bool counting = !context.ghost_mode && !context.edit_mode;
  // Nothing is entered or counted that cannot be stored.
  if (!file.writable() && (counting || context.edit_mode || image.empty())) return told(context, file.why_read_only());
  if (image.empty()) {
    if (meaning.kind != CouponCode::Kind::plain) maker.start(search);
    // Brief: one sentence for a new code.
    if (!context.brief) speak(context.voice, "I don't know this coupon", context.cut_by);
    else if (!told_new) speak(context.voice, new_coupon, context.cut_by);
    CouponRecord fresh = new_record(code);
    // Heard before anything is keyed: the print the user may not read.
    const std::string made_by = maker.get();
    fill_from_code(fresh, meaning, made_by);
    speak(context.voice, barcode_sentence(meaning, made_by), context.cut_by);
    if (const FileResult saved = edit(context, code, fresh, file); !saved) return told(context, saved);
    if (!file.read_record_image(image)) return failure_reply(context.console, cannot_read);
  }
  CouponRecord record = load_record(image);
  if (counting) {
    if (const FileResult counted = file.add_one_to_quantity(record); !counted) return told(context, counted);
  }
  last_entry = {path, file.identity()};
  if (context.edit_mode) {
    if (const FileResult saved = edit(context, code, record, file); !saved) return told(context, saved);
    return {"ok"};
  }
  const std::string dates = date_sentence(meaning, today);
  Reply reply;
  reply.full = announce_coupon(context.console, record, context.categories, code);
  if (!dates.empty()) reply.full += "  " + dates;
  const Validity validity = validity_on(meaning, today);
  reply.sentence = context.brief ? brief_announcement(record, validity) : reply.full;
  // A coupon that may not be used is a warning, heard whole.
  reply.whole = validity != Validity::good;
  return reply;
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

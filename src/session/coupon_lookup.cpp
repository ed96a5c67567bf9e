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

// Where a failed write may have left what nobody meant, what the file
// holds now.
std::string holds_now(const FileResult& result, CouponFile& file) {
  std::string image;
  if ((result != FileStatus::overtaken && result != FileStatus::damaged) || !file.read_record_image(image)) return {};
  return " It now holds quantity " + number_text(quantity_count(load_record(image))).substr(1) + ".";
}

// A failure to store, with its reason, and what the file holds where that is in doubt.
std::string what_failed(const FileResult& result, CouponFile& file) {
  return why_not_saved(result) + holds_now(result, file);
}

Reply told(const LookupContext& context, const FileResult& result, CouponFile& file) {
  return failure_reply(context.console, what_failed(result, file));
}

// A new record in place whose first count failed: it is there, uncounted
// unless the failure says otherwise.
Reply told_not_counted(const LookupContext& context, const FileResult& result, CouponFile& file) {
  if (result.status != FileStatus::failed && result.status != FileStatus::damaged) {
    return failure_reply(context.console, "The new coupon is saved. " + what_failed(result, file));
  }
  const std::string cause = failure_cause(result);
  const std::string sentence =
      "The new coupon is saved, but I cannot count it" + (cause.empty() ? "" : ": " + cause) + ".";
  // A count that may be damaged is no count to scan on.
  if (result.status == FileStatus::damaged) {
    return failure_reply(context.console, sentence + " " + not_put_back + holds_now(result, file));
  }
  return failure_reply(context.console, sentence + " Scan it again to count it.");
}

// The editor, introduced aloud; how the record's save went. A count in it
// that fails is told at once, whole.
FileResult edit(const LookupContext& context, std::string_view code, CouponRecord& record, CouponFile& file) {
  speak(context.voice, edit_request, context.cut_by);
  const auto count_failed = [&](const FileResult& result) {
    speak(context.voice, tell_failure(context.console, what_failed(result, file)));
  };
  return run_coupon_editor(context.console, context.voice, context.categories, context.picker_position, code, record,
                           file, count_failed, context.print);
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
  if (!opened && opened.status != FileStatus::read_only) return told(context, opened, file);
  std::string image;
  if (!file.read_record_image(image)) return failure_reply(context.console, cannot_read);
  const bool counting = !context.ghost_mode && !context.edit_mode;
  // Nothing is entered or counted that cannot be stored.
  if (!file.writable() && (counting || context.edit_mode || image.empty())) {
    return told(context, file.why_read_only(), file);
  }
  const bool created = image.empty();
  if (created) {
    if (meaning.kind != CouponCode::Kind::plain) maker.start(search);
    // Brief: one sentence for a new code.
    if (!context.brief) speak(context.voice, "I don't know this coupon", context.cut_by);
    else if (!told_new) speak(context.voice, new_coupon, context.cut_by);
    CouponRecord fresh = new_record(code);
    // Heard before anything is keyed: the print the user may not read.
    const std::string made_by = maker.get();
    fill_from_code(fresh, meaning, made_by);
    speak(context.voice, barcode_sentence(meaning, made_by), context.cut_by);
    if (const FileResult saved = edit(context, code, fresh, file); !saved) return told(context, saved, file);
  }
  // In place: `x` reaches it, whatever follows.
  last_entry = {path, file.identity()};
  if (created && !file.read_record_image(image)) return failure_reply(context.console, cannot_read);
  CouponRecord record = load_record(image);
  if (counting) {
    if (const FileResult counted = file.add_one_to_quantity(record); !counted) {
      return created ? told_not_counted(context, counted, file) : told(context, counted, file);
    }
  }
  if (context.edit_mode) {
    if (const FileResult saved = edit(context, code, record, file); !saved) return told(context, saved, file);
    return {"ok"};
  }
  const std::string dates = date_sentence(meaning, today);
  Reply reply;
  reply.full = context.menu_shown ? announce_coupon(context.console, record, context.categories, code)
                                  : full_announcement(record);
  if (!dates.empty()) reply.full += "  " + dates;
  const Validity validity = validity_on(meaning, today);
  reply.sentence = context.brief ? brief_announcement(record, validity) : reply.full;
  // A coupon that may not be used is a warning, heard whole.
  reply.whole = validity != Validity::good;
  reply.coupon = record;
  reply.code = code;
  return reply;
}

std::string announce_coupon(Console& console, const CouponRecord& record, const CategoryTable& categories,
                            std::string_view code) {
  show_coupon_menu(console, record, categories, code);
  return full_announcement(record);
}

std::string full_announcement(const CouponRecord& record) {
  std::string place;
  if (record.bin.value_or(0) > 0) place += " bin number " + number_text(*record.bin);
  if (record.category.value_or(0) > 0) place += " as category " + number_text(*record.category);
  return record.manufacturer + " offers " + record.description + " quantity " +
         number_text(quantity_count(record)) + place;
}

}  // namespace sortwell

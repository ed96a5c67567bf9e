#include "session/commands.h"

#include <cstdio>

#include "codes/coupon_code.h"
#include "records/coupon_file.h"
#include "session/failures.h"

namespace sortwell {

std::string show_help(Console& console, Voice& voice, Keyboard* cut_by) {
  static constexpr const char* help_text =
      "Designed to help sort coupons faster and with less effort.  Keys:"
      "g toggles ghost mode; e toggles edit mode; x removes deletes last entry; y means yes; n means no; "
      "nothing enter quits the program";
  console.print_text(help_text);
  console.print_newline();
  speak(voice, help_text, cut_by);
  return "I am ready to start sorting coupons.";
}

std::string toggle_mode(Voice& voice, Keyboard* cut_by, bool& mode, const char* on_sentence, const char* off_sentence) {
  mode = !mode;
  speak(voice, mode ? on_sentence : off_sentence, cut_by);
  return {};
}

namespace {

// A removal that failed, with its reason where the user can act on it.
std::string cannot_remove_because(const FileResult& result) {
  const std::string cause = failure_cause(result);
  return cause.empty() ? cannot_remove : "I cannot remove your last entry: " + cause + ".";
}

}  // namespace

std::string remove_last_entry(Console& console, Voice& voice, LastEntry& last_entry, FolderWatch* watch) {
  CouponFile file(watch);
  // Taken under its lock, and only if it is still the file the lookup stored.
  const FileResult opened = last_entry.path.empty() ? FileResult{FileStatus::missing} : file.open(last_entry.path, record_lock_wait);
  const FileStatus status = opened.status;
  const bool reached = opened.ok() || status == FileStatus::read_only;
  std::string sentence;
  if (status == FileStatus::in_use || status == FileStatus::cannot_lock) {
    sentence = tell_failure(console, status == FileStatus::in_use ? open_elsewhere : cannot_lock);
  } else if (status == FileStatus::missing || status == FileStatus::not_a_record ||
             (reached && file.identity() != last_entry.identity)) {
    sentence = "No prior entry known, so I cannot remove any record.";
  } else if (!reached) {
    // Still there, as far as anyone can tell: the entry stays known.
    sentence = tell_failure(console, cannot_remove_because(opened));
  } else if (const FileResult removed = file.remove(); !removed) {
    sentence = tell_failure(console, cannot_remove_because(removed));
  } else {
    sentence = "I am removing your last entry as requested.";
    last_entry = {};
  }
  speak(voice, sentence);
  return sentence;
}

std::string time_and_date(Clock& clock) {
  const std::tm now = clock.local_time();
  char time[32];
  std::snprintf(time, sizeof time, "%02d:%02d:%02d  ", now.tm_hour, now.tm_min, now.tm_sec);
  return std::string("I am ready for your first coupon.  The time and date is ") + time + date_text(date_of(now));
}

}  // namespace sortwell

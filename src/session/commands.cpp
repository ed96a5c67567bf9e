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

std::string remove_last_entry(Console& console, Voice& voice, LastEntry& last_entry, FolderWatch* watch) {
  CouponFile file(watch);
  // Taken under its lock, and only if it is still the file the lookup stored.
  const FileResult opened = last_entry.path.empty() ? FileResult{FileStatus::missing} : file.open(last_entry.path, record_lock_wait);
  const FileStatus status = opened.status;
  std::string sentence;
  if (status == FileStatus::in_use || status == FileStatus::cannot_lock) {
    sentence = tell_failure(console, status == FileStatus::in_use ? open_elsewhere : cannot_lock);
  } else if ((status != FileStatus::ok && status != FileStatus::read_only) || file.identity() != last_entry.identity) {
    sentence = "No prior entry known, so I cannot remove any record.";
  } else if (!file.remove()) {
    sentence = tell_failure(console, cannot_remove);
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

#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "categories/category_table.h"
#include "console/console.h"
#include "records/coupon_record.h"
#include "records/record_file.h"
#include "session/barcode.h"
#include "reading/reading_aloud.h"
#include "session/last_entry.h"
#include "session/reply.h"
#include "platform/voice.h"

namespace sortwell {

// What one lookup works with: the devices, the run's category picker, where
// the records live and the modes of the prompt.
struct LookupContext {
  Console& console;
  Voice& voice;
  const CategoryTable& categories;
  std::uint8_t& picker_position;
  const std::string& data_dir;
  bool ghost_mode;
  bool edit_mode;
  // The local time of the lookup, for the dates a code carries.
  std::tm today{};
  // How long a record another copy holds is waited for.
  std::chrono::milliseconds lock_wait = record_lock_wait;
  // Where the maker searches the lookup does not use go on to their end.
  MakerSearch::LeftOver* unused_searches = nullptr;
  // Brief announcements: the bin alone, and one sentence for a new code.
  bool brief = false;
  // Where set (brief announcements), its next key cuts a sentence short;
  // failures and warnings are heard whole all the same.
  Keyboard* cut_by = nullptr;
  // Screen-reader mode: the announcement is the one line the screen shows,
  // without the coupon's menu, which the screen reader would read whole.
  bool menu_shown = true;
  // The reader for the editor's "r"; none: the key does nothing.
  const PrintReading* print = nullptr;
  // Through which every call to the folder is asked, where given: one that
  // does not answer is told, and the program's end does not wait for it.
  FolderWatch* watch = nullptr;
};

// One coupon code typed at the prompt, exactly as typed: its record file is
// found or created, an unknown code is described in the editor (filled in
// with what its barcode says), the coupon is counted (not in ghost or edit
// mode) and announced, with its dates where it has expired or is not good
// yet, or in edit mode edited. `last_entry` becomes this code's record file.
// Returns the reply to be heard before the next prompt: the announcement,
// brief or full, with the full one beside it; or the failure, whole.
Reply look_up_coupon(const LookupContext& context, std::string_view code, LastEntry& last_entry);

// The brief announcement: "7.", "No bin.", "Expired, 7.", "Not yet valid, 7.".
std::string brief_announcement(const CouponRecord& record, Validity validity);

// The announcement: manufacturer, " offers ", description, " quantity ",
// the count, then the bin and the category number where they are above 0.
std::string full_announcement(const CouponRecord& record);

// Prints the coupon menu and returns the announcement.
std::string announce_coupon(Console& console, const CouponRecord& record, const CategoryTable& categories,
                            std::string_view code);

}  // namespace sortwell

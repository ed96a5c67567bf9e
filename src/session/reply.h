#pragma once

#include <optional>
#include <string>
#include <utility>

#include "records/coupon_record.h"
#include "session/failures.h"

namespace sortwell {

// What the prompt says back to a line: heard before the next prompt, and
// again after a line that is no command.
struct Reply {
  Reply() = default;
  Reply(std::string said, bool heard_whole = false) : sentence(std::move(said)), whole(heard_whole) {}

  std::string sentence;
  // A failure or a warning: heard to its end, even where the next key cuts
  // sentences short.
  bool whole = false;
  // A looked-up coupon's announcement as full announcements say it, for `f`.
  std::string full;
  // The coupon announced and its code as typed, for its menu on request (`m`).
  std::optional<CouponRecord> coupon;
  std::string code;
};

// A failure, printed on its own line and heard whole.
inline Reply failure_reply(Console& console, const std::string& sentence) {
  return {tell_failure(console, sentence), true};
}

}  // namespace sortwell

#pragma once

#include <string>

#include "console/console.h"

namespace sortwell {

// What the user hears when a record could not be stored or reached. A
// failure is never announced as success.
inline constexpr const char* cannot_save = "I cannot save this coupon.";
inline constexpr const char* cannot_read = "I cannot read this coupon.";
inline constexpr const char* open_elsewhere = "This coupon is open in another Sortwell.";
inline constexpr const char* cannot_remove = "I cannot remove your last entry.";
inline constexpr const char* saved_elsewhere =
    "Another Sortwell saved this coupon first, so yours was not kept. Scan it again to count it.";
inline constexpr const char* cannot_lock = "I cannot lock coupons in their folder, so I cannot save them.";
inline constexpr const char* no_data_dir = "I cannot save coupons: their folder cannot be made or written.";

// Prints a failure on its own line and returns it, to be heard before the
// next prompt.
inline std::string tell_failure(Console& console, const char* sentence) {
  console.print_text(sentence);
  console.print_newline();
  return sentence;
}

}  // namespace sortwell

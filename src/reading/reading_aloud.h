#pragma once

#include <string>
#include <vector>

#include "console/console.h"
#include "platform/voice.h"
#include "reading/coupon_reader.h"

namespace sortwell {

inline constexpr const char* reading_the_coupon = "Reading the coupon.";

// The run's reader and what the settings ask of it, for the prompt and the
// editor alike.
struct PrintReading {
  CouponReader& reader;
  ReadOptions options;
};

// What a reading gave the one who asked: its lines, or the sentence that
// says why there are none (empty where a key cut it short or the program is
// ending, which say nothing).
struct Heard {
  std::vector<std::string> lines;  // the largest print first, UTF-8
  std::string failure;
};

// Says "Reading the coupon." while the coupon is read. Any key cuts both
// short and is left to be read.
Heard read_while_telling(Voice& voice, Keyboard& keyboard, const PrintReading& print);

// The editor's "r": the description (item 3) filled in with the largest
// print, and the expiry (item 2) with a date in the print where it has none
// yet; what was filled in is said. Where this platform does not scan, a
// picture file's name is asked for instead (Enter alone: none). A failure
// is printed and said whole; the record is left as it was.
void fill_from_print(Console& console, Voice& voice, const PrintReading& print, std::string& description,
                     std::string& expiry, std::size_t description_width);

}  // namespace sortwell

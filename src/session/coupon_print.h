#pragma once

#include "console/console.h"
#include "platform/voice.h"
#include "reading/reading_aloud.h"
#include "session/reply.h"
#include "session/settings.h"

namespace sortwell {

// What the settings ask of the reader.
inline ReadOptions read_options(const Settings& settings) {
  ReadOptions options;
  options.scanner = settings.scanner;
  options.languages = settings.print_language;
  return options;
}

// "r": the coupon on the scanner read aloud, every line printed, the largest
// print first. Full announcements say every line; brief ones the largest,
// up to about 12 words. Any key cuts the reading short and is kept. Returns
// the reply: nothing pending, and for "f" the lines not said (brief), or
// every line; a failure, whole.
Reply read_coupon_aloud(Console& console, Voice& voice, const PrintReading& print, bool brief);

}  // namespace sortwell

#pragma once

#include <string>

#include "console/console.h"
#include "platform/clock.h"
#include "platform/voice.h"

namespace sortwell {

// Where a session keeps what it keeps.
struct SessionPlaces {
  std::string data_dir;     // every record file
  bool make_missing = true;  // start-up makes `data_dir` (the platform's own place); a folder the user named is only used
  // The user's settings file (brief announcements, the voice's rate), read at
  // start-up and written at each change; empty: the defaults, never kept.
  std::string settings_path;
};

// The session driver: start-up, then one pass after another of speaking the
// pending sentence, showing "Sortwell: " and running the line read there as
// a command or a coupon code, until an empty line quits. In brief mode the
// next key cuts a pending sentence short, but for a failure. Returns the
// exit status, always 0.
int run_session(Console& console, Voice& voice, Clock& clock, const SessionPlaces& places);

}  // namespace sortwell

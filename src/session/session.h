#pragma once

#include <functional>
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

// Where the session's voice comes from.
struct VoiceSource {
  // The user named a voice (SORTWELL_VOICE): it speaks from the start,
  // whatever the settings say or a screen reader.
  bool chosen = false;
  // Whether the user's own screen reader runs; asked once at start-up,
  // before any voice is opened, and only where the settings leave it to be
  // found ("screen reader = auto").
  std::function<bool()> screen_reader_running;
  // The voice, opened at its first use: never in screen-reader mode, where
  // no speech server and no audio is started.
  std::function<Voice&()> open;
};

// The session driver: start-up, then one pass after another of speaking the
// pending sentence, showing "Sortwell: " and running the line read there as
// a command or a coupon code, until an empty line quits. In brief mode the
// next key cuts a pending sentence short, but for a failure. In
// screen-reader mode the user's screen reader is the voice: every sentence
// is printed on a line of its own instead, and a lookup prints its
// announcement alone, without the coupon's menu. Returns the exit status,
// always 0.
int run_session(Console& console, const VoiceSource& voices, Clock& clock, const SessionPlaces& places);

}  // namespace sortwell

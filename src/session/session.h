#pragma once

#include <string>

#include "console/console.h"
#include "platform/clock.h"
#include "platform/voice.h"

namespace sortwell {

// The session driver: start-up, then one pass after another of speaking the
// pending sentence, showing "Sortwell: " and running the line read there as
// a command or a coupon code, until an empty line quits. The record files
// live in `data_dir`, which start-up creates where `make_missing` (the
// platform's own place; a folder the user named is only used). Returns the
// exit status, always 0.
int run_session(Console& console, Voice& voice, Clock& clock, const std::string& data_dir, bool make_missing = true);

}  // namespace sortwell

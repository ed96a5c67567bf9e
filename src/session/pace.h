#pragma once

#include <functional>
#include <string>

#include "console/console.h"
#include "platform/voice.h"
#include "session/reply.h"
#include "session/settings.h"

namespace sortwell {

// The prompt's keys for sorting at the pace of the hands. Each returns the
// reply that stays pending: nothing, or why a setting could not be kept.

// "b": brief announcements on or off; says "brief announcements" or "full
// announcements" at once, and keeps the setting at `settings_path`.
Reply toggle_brief(Console& console, Voice& voice, Settings& settings, const std::string& settings_path);
// "+" (`step` 1) and "-" (`step` -1): the voice a step faster or slower,
// within its range; says "faster" or "slower" at once, at the new rate, or
// "fastest" or "slowest" at the end of the range, and keeps the rate.
Reply step_rate(Console& console, Voice& voice, Keyboard* cut_by, Settings& settings, const std::string& settings_path,
                int step);
// Keeps a change of `settings` at `settings_path` (`change` makes it, on
// what the file holds by then): nothing, or why it could not be kept, told
// as a failure; sorting goes on either way.
Reply keep_settings(Console& console, const Settings& settings, const std::string& settings_path,
                    const std::function<void(Settings&)>& change);
// "k": prints and says the keys above, with f and t.
Reply tell_keys(Console& console, Voice& voice, Keyboard* cut_by);

}  // namespace sortwell

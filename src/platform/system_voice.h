#pragma once

#include <memory>

#include "session/voice.h"

namespace sortwell {

// The platform's own voice, with the user's or the system's default
// settings; a silent one when none can be had.
std::unique_ptr<Voice> open_system_voice();

}  // namespace sortwell

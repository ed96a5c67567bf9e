#pragma once

#include "session/program.h"

namespace sortwell {

// The session driver: start-up, then one pass after another of speaking the
// pending sentence, showing "Sortwell: " and running the line read there as
// a command or a coupon code, until an empty line quits. Returns the exit
// status, always 0.
int run_session(Program& program);

}  // namespace sortwell

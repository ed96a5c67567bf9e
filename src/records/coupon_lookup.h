#pragma once

#include "session/program.h"

namespace sortwell {

// One coupon code typed at the prompt (`input_line`, exactly as typed): its
// record file is found or created, an unknown code is described in the
// editor, the coupon is counted (not in ghost or edit mode) and announced,
// or in edit mode edited. Leaves in `speech_text` what is to be heard next.
void look_up_coupon(Program& program);

// Prints the coupon menu and puts the announcement into `speech_text`:
// manufacturer, " offers ", description, " quantity ", the count, then the
// bin and the category number where they are above 0.
void announce_coupon(Program& program);

}  // namespace sortwell

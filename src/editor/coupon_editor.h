#pragma once

#include "session/program.h"

namespace sortwell {

// The create/edit coupon menu: ten lines describing the current record.
void show_coupon_menu(Program& program);

// The editor over the current record: one key chooses an item ("1" to "8"),
// Enter leaves, and so does a value or bin entry ended by Enter alone. The
// record is saved into the open record file on the way out (which empties
// it), and `speech_text` is left as "ok".
void run_coupon_editor(Program& program);

}  // namespace sortwell

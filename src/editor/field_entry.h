#pragma once

#include "session/program.h"

namespace sortwell {

// The entries of the editor's items. Each asks for its field, reads the
// answer and stores it in the current record; nothing is checked and no key
// is refused. Numbers come from the typed text by `text_value`.

// Item 1: "manufacturer:" and a whole line.
void enter_manufacturer(Program& program);
// Item 2: "month xx/", four keys; the month's two shown before the "/".
void enter_expiry(Program& program);
// Item 3: "description: " and a whole line.
void enter_description(Program& program);
// Item 6: up to five keys echoed into `answer_text` (Enter stops) ...
void set_value(Program& program);
// ... stored as hundredths of a cent, low 16 bits, low byte first.
void store_value(Program& program);
// Item 7: one key, the digit's value as one byte (0 for any other key).
void enter_number_needed(Program& program);
// Item 8: up to three keys echoed into `answer_text` (Enter stops) ...
void set_bin(Program& program);
// ... stored as one byte (low 8 bits); -1 leaves the bin empty.
void store_bin(Program& program);

}  // namespace sortwell

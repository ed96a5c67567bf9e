#pragma once

#include "platform/key.h"

namespace sortwell {

// Where key presses come from. `wait_key` blocks until a key is there, keys
// typed ahead first, in order. Once the keyboard has ended (its input closed,
// the terminal hung up, or the program was told to quit) every further key
// is Enter, so whatever is open is confirmed and saved and the prompt quits.
// After a stop, it may hand out `keys::resumed` once, for the screen's sake.
class Keyboard {
 public:
  virtual ~Keyboard() = default;
  virtual Key wait_key() = 0;
  // Whether a whole key has arrived already, so that `wait_key` returns at
  // once. Asks nothing of the system; false when unsure.
  virtual bool key_ready() { return false; }
};

}  // namespace sortwell

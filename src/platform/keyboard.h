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
  // Whether a key has been typed that `wait_key` has not handed out yet,
  // asking the system without waiting; the key stays to be handed out. For
  // a wait elsewhere that the next key cuts short (a sentence being spoken).
  virtual bool key_arrived() { return key_ready(); }
  // What such a wait can watch beside its own: POSIX, a descriptor that
  // turns readable when input arrives. -1 where there is none: `key_arrived`
  // is then asked at short intervals.
  virtual int arrival_fd() { return -1; }
};

}  // namespace sortwell

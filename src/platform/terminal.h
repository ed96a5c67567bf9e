#pragma once

#include <memory>

#include "platform/keyboard.h"
#include "platform/screen.h"

namespace sortwell {

// The user's terminal for one run, on whatever platform the build is for.
// Keys are read from the terminal itself, one at a time, with nothing
// echoed and no key lost that was typed ahead; output goes to the screen,
// never to a redirected standard output. The terminal's own modes are back
// as they were however the program ends.
class Terminal {
 public:
  Terminal();
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  Keyboard& keyboard();
  Screen& screen();

 private:
  struct Devices;
  std::unique_ptr<Devices> devices_;
};

}  // namespace sortwell

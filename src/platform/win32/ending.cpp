#include "platform/win32/ending.h"

#include "platform/ending.h"

namespace sortwell {

HANDLE ending_event() {
  // Manual reset: once set it stays set.
  static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

bool told_to_end() { return WaitForSingleObject(ending_event(), 0) == WAIT_OBJECT_0; }

void tell_to_end() { SetEvent(ending_event()); }

}  // namespace sortwell

#include "platform/win32/ending.h"

#include <atomic>

#include "platform/ending.h"

namespace sortwell {

HANDLE ending_event() {
  // Manual reset: once set it stays set.
  static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

bool told_to_end() { return WaitForSingleObject(ending_event(), 0) == WAIT_OBJECT_0; }

void tell_to_end() { SetEvent(ending_event()); }

namespace {
std::atomic<void (*)()> last_step{nullptr};
}  // namespace

void at_end_now(void (*step)()) { last_step.store(step); }

// At once: ExitProcess would first run every library's detach, which may
// wait on the threads it stops. A thread left in a call is ended with the
// process, its I/O cancelled by the system.
void end_now(int status) {
  if (void (*step)() = last_step.load()) step();
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  ExitProcess(static_cast<UINT>(status));
}

}  // namespace sortwell

#include <windows.h>

#include "platform/clock.h"
#include "platform/win32/ending.h"

namespace sortwell {

std::tm SystemClock::local_time() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  std::tm local{};
  local.tm_year = now.wYear - 1900;
  local.tm_mon = now.wMonth - 1;
  local.tm_mday = now.wDay;
  local.tm_hour = now.wHour;
  local.tm_min = now.wMinute;
  local.tm_sec = now.wSecond;
  return local;
}

// A program told to end does not pause on its way out.
void SystemClock::pause(std::chrono::milliseconds duration) {
  WaitForSingleObject(ending_event(), static_cast<DWORD>(duration.count()));
}

}  // namespace sortwell

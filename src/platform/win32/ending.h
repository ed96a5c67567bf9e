#pragma once

#include <windows.h>

namespace sortwell {

// An event that is set, for good, once the program is told to end: for a
// wait on the world (WaitForMultipleObjects) that must stop then.
HANDLE ending_event();

}  // namespace sortwell

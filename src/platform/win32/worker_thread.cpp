#include "platform/worker_thread.h"

namespace sortwell {

// Console control events reach their own thread on Windows: nothing to keep away.
std::thread start_worker(std::function<void()> work) { return std::thread(std::move(work)); }

}  // namespace sortwell

#include "platform/worker_thread.h"

#include "platform/posix/thread_without_signals.h"

namespace sortwell {

std::thread start_worker(std::function<void()> work) { return thread_without_signals(std::move(work)); }

}  // namespace sortwell

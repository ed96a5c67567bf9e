#pragma once

#include <functional>
#include <thread>

namespace sortwell {

// A thread for work that may block in a library (a scanner, the reading
// engine). POSIX: it takes no signals, nor do the threads it starts, so the
// main thread's handlers run where they can act.
std::thread start_worker(std::function<void()> work);

}  // namespace sortwell

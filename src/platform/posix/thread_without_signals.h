#pragma once

#include <pthread.h>
#include <signal.h>

#include <thread>
#include <utility>

namespace sortwell {

// A thread that takes no signals, nor do the threads it starts: the main
// thread's handlers must run where they can act.
template <typename Function, typename... Arguments>
std::thread thread_without_signals(Function&& function, Arguments&&... arguments) {
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  std::thread thread(std::forward<Function>(function), std::forward<Arguments>(arguments)...);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return thread;
}

}  // namespace sortwell

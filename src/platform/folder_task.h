#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace sortwell {

// Where work on the coupon folder runs: a task of its own, which the
// program's end never waits for. A network folder whose link dropped holds a
// file call until its file system gives up on the server (GlusterFS: its
// ping-timeout, and up to as long again), and nothing can interrupt such a
// call. Left in the task, it finishes there on its own, and the task then
// ends without running anything more.
//
// POSIX (Linux): a task that shares the program's memory and descriptors but
// is no thread of its process. A process whose thread waits in the kernel on
// a FUSE server cannot end before that wait does, nor is its parent told:
// a thread alone would keep a shell from its prompt for a minute. The task
// ends with the program, or as soon as its call returns. Windows: a thread;
// the system cancels the I/O a thread leaves as the process ends.
//
// One job at a time, handed over and waited for by one thread, the one that
// made the task. `FolderWatch` (folder_watch.h) is how that thread waits.
class FolderTask {
 public:
  FolderTask();
  // An idle task ends at once. A job still running is left to finish on its
  // own, and the task ends after it.
  ~FolderTask();
  FolderTask(const FolderTask&) = delete;
  FolderTask& operator=(const FolderTask&) = delete;

  // Starts `job(argument)` in the task, made at the first job; false when no
  // task can be made, and nothing was started: the caller runs it in place.
  bool begin(void (*job)(void*), void* argument);

  enum class Waited { done, ending, timeout };
  // Waits for the job begun last to return: `done`, or `timeout` after
  // `timeout` (a negative one: no end), or `ending` once the program is told
  // to end, at once and for good, where `heed_ending`.
  Waited wait(std::chrono::milliseconds timeout, bool heed_ending = true);
  // How many answers the job begun last has had from the folder
  // (`folder_answered`).
  std::uint64_t answers() const;

 private:
  struct Worker;
  std::unique_ptr<Worker> worker_;
};

// Said by a job that calls the folder many times (a listing, then a read of
// each file) at each answer, so that it is slow only where no answer comes
// for a while. Nothing outside a job.
void folder_answered();
// Whether this runs inside a job: work asked of a folder task from there is
// done in place.
bool in_folder_task();

}  // namespace sortwell

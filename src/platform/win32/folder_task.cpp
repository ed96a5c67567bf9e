#include "platform/folder_task.h"

#include <windows.h>

#include <atomic>
#include <thread>

#include "platform/win32/ending.h"

namespace sortwell {
namespace {

// The answers of the job running on this thread; null outside a job.
thread_local std::atomic<std::uint64_t>* job_answers = nullptr;

}  // namespace

// A thread: the process's end does not wait for it. Whichever of it and its
// FolderTask lets go last deletes the worker.
struct FolderTask::Worker {
  HANDLE job_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE done_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  void (*job)(void*) = nullptr;
  void* argument = nullptr;
  std::atomic<bool> busy{false};
  std::atomic<bool> stop{false};
  std::atomic<int> holders{2};
  std::atomic<std::uint64_t> answers{0};
  std::thread thread;

  ~Worker() {
    if (job_event) CloseHandle(job_event);
    if (done_event) CloseHandle(done_event);
  }

  static void let_go(Worker* w) {
    if (w->holders.fetch_sub(1) == 1) delete w;
  }

  void run() {
    job_answers = &answers;
    while (WaitForSingleObject(job_event, INFINITE) == WAIT_OBJECT_0 && !stop.load()) {
      job(argument);
      busy.store(false);
      SetEvent(done_event);
    }
    let_go(this);
  }
};

FolderTask::FolderTask() = default;

FolderTask::~FolderTask() {
  if (!worker_) return;
  Worker* w = worker_.release();
  w->stop.store(true);
  SetEvent(w->job_event);
  if (w->busy.load()) w->thread.detach();
  else w->thread.join();
  Worker::let_go(w);
}

bool FolderTask::begin(void (*job)(void*), void* argument) {
  if (!worker_) {
    auto w = std::make_unique<Worker>();
    if (!w->job_event || !w->done_event) return false;
    w->thread = std::thread([raw = w.get()] { raw->run(); });
    worker_ = std::move(w);
  }
  worker_->job = job;
  worker_->argument = argument;
  worker_->answers.store(0);
  worker_->busy.store(true);
  SetEvent(worker_->job_event);
  return true;
}

FolderTask::Waited FolderTask::wait(std::chrono::milliseconds timeout, bool heed_ending) {
  if (!worker_) return Waited::done;
  const HANDLE waits[] = {worker_->done_event, ending_event()};
  const DWORD waited = WaitForMultipleObjects(heed_ending ? 2 : 1, waits, FALSE,
                                              timeout.count() < 0 ? INFINITE : static_cast<DWORD>(timeout.count()));
  if (waited == WAIT_OBJECT_0) return Waited::done;
  return waited == WAIT_OBJECT_0 + 1 ? Waited::ending : Waited::timeout;
}

std::uint64_t FolderTask::answers() const { return worker_ ? worker_->answers.load() : 0; }

void folder_answered() {
  if (job_answers != nullptr) job_answers->fetch_add(1, std::memory_order_relaxed);
}

bool in_folder_task() { return job_answers != nullptr; }

}  // namespace sortwell

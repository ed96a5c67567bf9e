#include "platform/folder_task.h"

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/ending.h"
#include "platform/posix/ending.h"

namespace sortwell {
namespace {

// The task's stack: pages are touched only as used, and the sanitizers'
// frames are large. Below it a page that is never mapped.
constexpr std::size_t stack_size = std::size_t{1} << 20;
constexpr std::size_t guard_size = std::size_t{1} << 12;

// The answers of the job running here; null outside a job.
thread_local std::atomic<std::uint64_t>* job_answers = nullptr;

void post(int fd) {
  const std::uint64_t one = 1;
  // An eventfd's counter takes a write of 8 bytes unless it would overflow.
  [[maybe_unused]] const long ignored = syscall(SYS_write, fd, &one, sizeof one);
}

// The task ended before its FolderTask let it go: it crashed in a job (a
// fault, an abort, a sanitizer's report), or was killed. The program ends
// as a crash in a thread of its own would end it, rather than wait for ever
// for a job that cannot return.
[[noreturn]] void end_as_the_task_did(int status) {
  // SIGKILL has no handler to give the terminal back: the exit status tells it.
  if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL) {
    sigset_t crash;
    sigemptyset(&crash);
    sigaddset(&crash, WTERMSIG(status));
    pthread_sigmask(SIG_UNBLOCK, &crash, nullptr);
    // Its handler gives the terminal back, then the default action ends the process.
    raise(WTERMSIG(status));
  }
  end_now(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

}  // namespace

// The task borrows the thread-local storage of a thread made for it, the
// host, which does nothing but wait in the kernel for the task to end: the C
// library's state for this thread (errno, its allocator's cache) is then the
// task's alone. So the host makes no library call until the task is gone.
struct FolderTask::Worker {
  int job_fd = -1;   // eventfd: a job, or the end, is there
  int done_fd = -1;  // eventfd: the job returned; first, the task was made
  std::atomic<void (*)(void*)> job{nullptr};
  std::atomic<void*> argument{nullptr};
  std::atomic<bool> busy{false};
  std::atomic<bool> stop{false};
  // The FolderTask and the host: whichever lets go last deletes the worker.
  std::atomic<int> holders{2};
  std::atomic<std::uint64_t> answers{0};
  pid_t process = 0;
  std::atomic<pid_t> task{-1};
  char* stack = nullptr;
  pthread_t host{};

  ~Worker() {
    if (job_fd >= 0) close(job_fd);
    if (done_fd >= 0) close(done_fd);
    if (stack != nullptr) munmap(stack, guard_size + stack_size);
  }

  static int run(void* raw) {
    Worker& w = *static_cast<Worker*>(raw);
    // Killed as its host goes, which is when the program ends: a call held
    // by the folder returns first, and nothing more runs here.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != w.process) return 0;
    job_answers = &w.answers;
    for (;;) {
      std::uint64_t count = 0;
      if (read(w.job_fd, &count, sizeof count) != sizeof count) {
        if (errno == EINTR) continue;
        return 0;
      }
      if (w.stop.load()) return 0;
      w.job.load()(w.argument.load());
      w.busy.store(false);
      post(w.done_fd);
    }
  }

  static void* host_entry(void* raw) {
    static_cast<Worker*>(raw)->host_task();
    return nullptr;
  }
  void host_task() {
    const long made = clone(run, stack + guard_size + stack_size,
                            CLONE_VM | CLONE_FS | CLONE_FILES | CLONE_SYSVSEM, this);
    task.store(made > 0 ? static_cast<pid_t>(made) : -1);
    post(done_fd);
    if (made <= 0) return;
    // Only the raw call until the task is gone (errno is read only once the
    // wait failed, which it does not while the task runs).
    int status = 0;
    while (syscall(SYS_wait4, made, &status, __WALL, nullptr) < 0 && errno == EINTR) {
    }
    if (!stop.load()) end_as_the_task_did(status);
    let_go(this);
  }

  static void let_go(Worker* w) {
    if (w->holders.fetch_sub(1) == 1) delete w;
  }
};

FolderTask::FolderTask() = default;

FolderTask::~FolderTask() {
  if (!worker_) return;
  Worker* w = worker_.release();
  w->stop.store(true);
  post(w->job_fd);
  // A job still running goes on; the host lets the worker go after it.
  if (w->busy.load()) pthread_detach(w->host);
  else pthread_join(w->host, nullptr);
  Worker::let_go(w);
}

bool FolderTask::begin(void (*job)(void*), void* argument) {
  if (!worker_) {
    auto w = std::make_unique<Worker>();
    w->job_fd = eventfd(0, EFD_CLOEXEC);
    w->done_fd = eventfd(0, EFD_CLOEXEC);
    void* stack = mmap(nullptr, guard_size + stack_size, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK | MAP_NORESERVE, -1, 0);
    if (stack != MAP_FAILED) {
      w->stack = static_cast<char*>(stack);
      mprotect(w->stack, guard_size, PROT_NONE);
    }
    if (w->job_fd < 0 || w->done_fd < 0 || w->stack == nullptr) return false;
    w->process = getpid();
    // The host takes no signals, nor does the task: the main thread's
    // handlers must run where they can act. No thread to be had (a limit on
    // processes): nothing is started.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    const bool hosted = pthread_create(&w->host, nullptr, Worker::host_entry, w.get()) == 0;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (!hosted) return false;
    std::uint64_t count = 0;
    while (read(w->done_fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
    if (w->task.load() <= 0) {
      pthread_join(w->host, nullptr);
      return false;
    }
    worker_ = std::move(w);
  }
  worker_->job.store(job);
  worker_->argument.store(argument);
  worker_->answers.store(0);
  worker_->busy.store(true);
  post(worker_->job_fd);
  return true;
}

FolderTask::Waited FolderTask::wait(std::chrono::milliseconds timeout, bool heed_ending) {
  if (!worker_) return Waited::done;
  pollfd fds[2] = {{worker_->done_fd, POLLIN, 0}, {heed_ending ? ending_fd() : -1, POLLIN, 0}};
  poll(fds, 2, timeout.count() < 0 ? -1 : static_cast<int>(timeout.count()));
  if (fds[0].revents & POLLIN) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t ignored = read(worker_->done_fd, &count, sizeof count);
    return Waited::done;
  }
  // A signal that is no ending (a window resized) wakes the wait early.
  return (fds[1].revents & POLLIN) ? Waited::ending : Waited::timeout;
}

std::uint64_t FolderTask::answers() const { return worker_ ? worker_->answers.load() : 0; }

void folder_answered() {
  if (job_answers != nullptr) job_answers->fetch_add(1, std::memory_order_relaxed);
}

bool in_folder_task() { return job_answers != nullptr; }

}  // namespace sortwell

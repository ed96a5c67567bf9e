#include "platform/posix/speechd_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/posix/ending.h"
#include "platform/posix/quiet_stderr.h"
#include "platform/posix/speechd_library.h"
#include "platform/posix/thread_without_signals.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;

enum class Job { connect, say, cancel, close, rate, quit };

struct Task {
  Job job;
  std::string text;  // a sentence
  int value = 0;     // a connection's number; a sentence's; a rate's steps
};


}  // namespace

struct SpeechdLink::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Task> jobs;
  bool worker_done = false;
  SPDConnection* connection = nullptr;
  int socket = -1;      // a descriptor of our own for the connection's socket
  bool broken = false;  // its socket was broken: the library closes it itself
  bool trying = false;  // to connect, again at `next_try`
  bool tried = false;   // the library may start a server on the first attempt only
  bool may_start_server = true;
  int number = 0;       // the connection's, on everything it answers
  int rate_steps = 0;
  int configured_rate = 0;  // the connection's own, before any steps
  Clock::time_point next_try;
  Clock::duration retry;
  int events[2] = {-1, -1};
  std::thread worker;

  void submit(Task task) {
    std::lock_guard lock(mutex);
    jobs.push_back(std::move(task));
    changed.notify_all();
  }
};

namespace {

// One job, with the lock held on entry and on return.
void run(const Task& task, SpeechdLink::Shared& shared, const SpeechdLibrary& spd, std::unique_lock<std::mutex>& lock) {
  const Job job = task.job;
  SPDConnection* connection = shared.connection;
  const bool autospawn = !shared.tried && shared.may_start_server;
  shared.tried = true;
  if (job == Job::connect && connection == nullptr && task.value != 0) shared.number = task.value;
  if (job == Job::rate) shared.rate_steps = task.value;
  const int number = shared.number;
  const int steps = shared.rate_steps;
  const int configured = shared.configured_rate;
  lock.unlock();
  {
    // The library and a server it starts complain on standard error, which
    // may be the screen.
    StandardErrorSilenced quiet;
    if (job == Job::connect && connection == nullptr) {
      // After the first try, only where a server listens.
      SPDConnection* fresh =
          autospawn || server_listens(spd) ? open_connection(spd, autospawn, shared.events[1], number) : nullptr;
      const OpenedConnection opened = prove(spd, fresh, shared.events[1], number, steps);
      lock.lock();
      shared.configured_rate = opened.configured_rate;
      shared.connection = opened.connection;
      if (shared.socket >= 0) ::close(shared.socket);
      shared.socket = opened.socket;
      shared.broken = false;
      shared.trying = opened.connection == nullptr;
      shared.next_try = SpeechdLink::Clock::now() + shared.retry;
      return;
    }
    if (job == Job::say) {
      const int id = connection != nullptr ? spd.say(connection, SPD_TEXT, task.text.c_str()) : -1;
      post(shared.events[1], {SpeechdEvent::queued, id < 0 ? -1 : id, number, task.value});
    } else if (job == Job::cancel && connection != nullptr) {
      spd.cancel(connection);
    } else if (job == Job::rate && connection != nullptr) {
      spd.set_rate(connection, server_rate(configured, steps));
    }
  }
  lock.lock();
  if (job != Job::close) return;
  shared.trying = false;
  shared.connection = nullptr;
  const bool broken = shared.broken;
  lock.unlock();
  {
    StandardErrorSilenced quiet;
    let_go(spd, connection, broken);
  }
  lock.lock();
}

void work(std::shared_ptr<SpeechdLink::Shared> shared, const SpeechdLibrary& spd) {
  std::unique_lock lock(shared->mutex);
  const auto job_waiting = [&] { return !shared->jobs.empty(); };
  for (;;) {
    if (!job_waiting()) {
      // Between attempts to connect, or until there is work.
      if (!shared->trying) shared->changed.wait(lock, job_waiting);
      else if (!shared->changed.wait_until(lock, shared->next_try, job_waiting)) run({Job::connect, {}, 0}, *shared, spd, lock);
      continue;
    }
    const Task task = std::move(shared->jobs.front());
    shared->jobs.pop_front();
    if (task.job == Job::quit) break;
    run(task, *shared, spd, lock);
  }
  shared->worker_done = true;
  shared->changed.notify_all();
}

}  // namespace

bool SpeechdLink::available() { return SpeechdLibrary::load() != nullptr; }

SpeechdLink::SpeechdLink(Clock::duration retry, bool may_start_server) : shared_(std::make_shared<Shared>()) {
  shared_->retry = retry;
  shared_->may_start_server = may_start_server;
  if (pipe2(shared_->events, O_CLOEXEC | O_NONBLOCK) != 0) shared_->events[0] = shared_->events[1] = -1;
  // The library's threads, started from the worker, take no signals either.
  shared_->worker = thread_without_signals(work, shared_, *SpeechdLibrary::load());
}

void SpeechdLink::connect() {
  connected.reset();
  queued.reset();
  begun.clear();
  ended.clear();
  cancelled.clear();
  hung_up = false;
  request_ = 0;
  shared_->submit({Job::connect, {}, ++connection_});
}

void SpeechdLink::say(const std::string& utf8) {
  queued.reset();
  shared_->submit({Job::say, utf8, ++request_});
}

void SpeechdLink::cancel() { shared_->submit({Job::cancel, {}, 0}); }

void SpeechdLink::close() {
  if (hung_up) break_connection();
  shared_->submit({Job::close, {}, 0});
}

void SpeechdLink::set_rate(int steps) { shared_->submit({Job::rate, {}, steps}); }

void SpeechdLink::take_arrived() {
  SpeechdEvent event{};
  while (read(shared_->events[0], &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
    // A connection given up may still answer what it was asked before, and
    // a sentence cut short may be answered after the next was asked.
    if (event.connection != connection_ || (event.kind == SpeechdEvent::queued && event.request != request_)) continue;
    switch (event.kind) {
      case SpeechdEvent::connected: connected = event.value == 1; break;
      case SpeechdEvent::queued: queued = event.value < 0 ? -1 : event.value; break;
      case SpeechdEvent::begun: begun.insert(event.value); break;
      case SpeechdEvent::ended: ended.insert(event.value); break;
      case SpeechdEvent::cancelled: cancelled.insert(event.value); break;
      case SpeechdEvent::configured_rate: configured_rate = event.value; break;
    }
  }
}

bool SpeechdLink::wait_until(Clock::time_point deadline, Keyboard* cut_by) {
  const auto now = Clock::now();
  if (now >= deadline) return false;
  long long timeout = std::min<long long>(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count(), 60000);
  const int key_fd = cut_by != nullptr ? cut_by->arrival_fd() : -1;
  // Without a descriptor to watch, the keyboard is asked every 10 ms.
  if (cut_by != nullptr && key_fd < 0) timeout = std::min(timeout, 10LL);
  look(static_cast<int>(timeout), key_fd);
  return true;
}

void SpeechdLink::look(int timeout_ms, int key_fd) {
  int socket = -1;
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->connection != nullptr) socket = shared_->socket;
  }
  pollfd fds[4] = {{shared_->events[0], POLLIN, 0}, {ending_fd(), POLLIN, 0}, {socket, 0, 0}, {key_fd, POLLIN, 0}};
  // A socket whose server closed it reports POLLHUP, whatever is asked for.
  if (poll(fds, 4, timeout_ms) > 0) {
    ending = ending || (fds[1].revents & POLLIN) != 0;
    hung_up = hung_up || (fds[2].revents & (POLLHUP | POLLERR)) != 0;
  }
}

void SpeechdLink::break_connection() {
  std::lock_guard lock(shared_->mutex);
  shared_->broken = true;
  if (shared_->socket >= 0) shutdown(shared_->socket, SHUT_RDWR);
}

SpeechdLink::~SpeechdLink() {
  Shared& shared = *shared_;
  close();
  shared.submit({Job::quit, {}, 0});
  std::unique_lock lock(shared.mutex);
  const auto worker_done = [&] { return shared.worker_done; };
  if (!shared.changed.wait_for(lock, 1s, worker_done)) {
    // A server that stopped answering: its socket broken, the worker returns.
    lock.unlock();
    break_connection();
    lock.lock();
    shared.changed.wait_for(lock, 500ms, worker_done);
  }
  const bool done = shared.worker_done;
  lock.unlock();
  // Still inside the library, on a server that never answers: the process
  // is ending, and the thread holds only the shared state.
  if (!done) {
    shared.worker.detach();
    return;
  }
  shared.worker.join();
  // The pipe stays: a library thread of a broken connection may still be on
  // its way to it.
  if (shared.socket >= 0) ::close(shared.socket);
}

}  // namespace sortwell

#include "platform/posix/speechd_voice.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <libspeechd.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "common/code_page.h"
#include "platform/posix/quiet_stderr.h"

namespace sortwell {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The client library, loaded when first needed: without it (or without a
// server) the program still runs, with its built-in voice.
struct Library {
  decltype(&spd_open2) open = nullptr;
  decltype(&spd_set_notification_on) notify = nullptr;
  decltype(&spd_set_data_mode) set_data_mode = nullptr;
  decltype(&spd_say) say = nullptr;
  decltype(&spd_cancel) cancel = nullptr;
  decltype(&spd_close) close = nullptr;

  static const Library* load() {
    static const Library library = [] {
      Library l;
      void* handle = dlopen("libspeechd.so.2", RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr) return l;
      l.open = reinterpret_cast<decltype(&spd_open2)>(dlsym(handle, "spd_open2"));
      l.notify = reinterpret_cast<decltype(&spd_set_notification_on)>(dlsym(handle, "spd_set_notification_on"));
      l.set_data_mode = reinterpret_cast<decltype(&spd_set_data_mode)>(dlsym(handle, "spd_set_data_mode"));
      l.say = reinterpret_cast<decltype(&spd_say)>(dlsym(handle, "spd_say"));
      l.cancel = reinterpret_cast<decltype(&spd_cancel)>(dlsym(handle, "spd_cancel"));
      l.close = reinterpret_cast<decltype(&spd_close)>(dlsym(handle, "spd_close"));
      return l;
    }();
    const bool complete =
        library.open && library.notify && library.set_data_mode && library.say && library.cancel && library.close;
    return complete ? &library : nullptr;
  }
};

// What reaches the voice's thread through its pipe: the server's events,
// from the library's own thread, and the worker's results.
struct Event {
  enum Kind : std::int32_t { connected, queued, begun, ended, let_go } kind;
  std::int32_t value;  // the message id; for `connected` 1 or 0
};

// The events carry no context: the one pipe of the process. Never closed
// while the library's thread may still deliver to it.
std::atomic<int> event_pipe{-1};

void post(int fd, Event event) {
  // A pipe write this small is atomic; one that would block is dropped
  // rather than stall the library's thread.
  [[maybe_unused]] const ssize_t ignored = write(fd, &event, sizeof event);
}

void on_event(std::size_t message, std::size_t, SPDNotificationType type) {
  const int fd = event_pipe.load();
  if (fd < 0) return;
  post(fd, {type == SPD_EVENT_BEGIN ? Event::begun : Event::ended, static_cast<std::int32_t>(message)});
}

SPDConnection* open_connection(const Library& spd) {
  char* error = nullptr;
  SPDConnection* connection = spd.open("sortwell", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
  free(error);
  if (connection == nullptr) return nullptr;
  connection->callback_begin = on_event;
  connection->callback_end = on_event;
  connection->callback_cancel = on_event;
  const bool ready = spd.notify(connection, SPD_BEGIN) == 0 && spd.notify(connection, SPD_END) == 0 &&
                     spd.notify(connection, SPD_CANCEL) == 0 && spd.set_data_mode(connection, SPD_DATA_TEXT) == 0;
  if (ready) return connection;
  spd.close(connection);
  return nullptr;
}

}  // namespace

// What the voice shares with its worker, the one thread that calls into the
// library (whose calls can block on a server that stopped answering). The
// voice hands it one job at a time and waits for the result on the pipe,
// with a deadline, together with the server's events.
struct SpeechdVoice::Link {
  enum class Job { connect, say, let_go, quit };

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<Job, std::string>> jobs{{Job::connect, {}}};
  SPDConnection* connection = nullptr;
  bool abandoned = false;  // the voice stopped waiting for the connection
  bool worker_done = false;

  int events_read = -1;
  int events_write = -1;
  int socket = -1;  // a descriptor of our own for the connection's socket

  // What the voice has seen; its thread alone reads and writes these.
  std::optional<bool> connected;
  std::optional<int> queued;
  std::set<int> begun;
  std::set<int> finished;
  bool let_go_done = false;
  bool hung_up = false;

  void submit(Job job, std::string words = {}) {
    std::lock_guard lock(mutex);
    jobs.emplace_back(job, std::move(words));
    changed.notify_all();
  }

  void take(const Event& event) {
    switch (event.kind) {
      case Event::connected: connected = event.value == 1; break;
      case Event::queued: queued = event.value; break;
      case Event::begun: begun.insert(event.value); break;
      case Event::ended: finished.insert(event.value); break;
      case Event::let_go: let_go_done = true; break;
    }
  }

  // Takes events until `done` holds (true), the deadline passes or the
  // server hangs up (false).
  template <typename Done>
  bool await(Done done, Clock::time_point deadline) {
    for (;;) {
      Event event{};
      while (read(events_read, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) take(event);
      if (done()) return true;
      if (hung_up) return false;
      const auto now = Clock::now();
      if (now >= deadline) return false;
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
      pollfd fds[2] = {{events_read, POLLIN, 0}, {socket, 0, 0}};
      const int timeout = deadline == Clock::time_point::max() ? -1 : static_cast<int>(std::min<long long>(left, 60000));
      // A socket whose server closed it reports POLLHUP, whatever is asked for.
      if (poll(fds, socket >= 0 ? 2 : 1, timeout) > 0 && (fds[1].revents & (POLLHUP | POLLERR)) != 0) hung_up = true;
    }
  }
};

namespace {

void work(std::shared_ptr<SpeechdVoice::Link> link, const Library& spd) {
  using Job = SpeechdVoice::Link::Job;
  std::unique_lock lock(link->mutex);
  for (;;) {
    link->changed.wait(lock, [&] { return !link->jobs.empty(); });
    const auto [job, text] = std::move(link->jobs.front());
    link->jobs.pop_front();
    if (job == Job::quit) break;
    SPDConnection* connection = link->connection;
    lock.unlock();
    {
      // The library and a server it starts complain on standard error, which
      // may be the screen.
      StandardErrorSilenced quiet;
      if (job == Job::connect) {
        connection = open_connection(spd);
        lock.lock();
        link->connection = connection;
        if (connection != nullptr) link->socket = fcntl(connection->socket, F_DUPFD_CLOEXEC, 3);
        const bool abandoned = link->abandoned;
        lock.unlock();
        if (connection != nullptr && abandoned) {
          spd.close(connection);
          lock.lock();
          link->connection = nullptr;
          lock.unlock();
        }
        post(link->events_write, {Event::connected, connection != nullptr && !abandoned ? 1 : 0});
      } else if (job == Job::say) {
        const int id = spd.say(connection, SPD_TEXT, text.c_str());
        post(link->events_write, {Event::queued, id < 0 ? -1 : id});
      } else if (job == Job::let_go) {
        // Cancelled first: a server holding sentences it cannot play never
        // becomes idle, and one the library started ends only when idle.
        if (connection != nullptr) {
          spd.cancel(connection);
          spd.close(connection);
        }
        lock.lock();
        link->connection = nullptr;
        lock.unlock();
        post(link->events_write, {Event::let_go, 0});
      }
    }
    lock.lock();
  }
  link->worker_done = true;
  link->changed.notify_all();
}

}  // namespace

SpeechdVoice::Bounds SpeechdVoice::default_bounds() {
  // A working server begins a sentence within milliseconds and plays a blank
  // in a few more; the prompt then comes within about a second even when the
  // server cannot speak. Once it has spoken, a late start is most likely
  // another client's speech ahead of ours. A begun sentence gets far more
  // time than the slowest voice needs before it is taken as lost.
  return {800ms, 2s, 1s, 500ms, 15s, 1s, 30s};
}

SpeechdVoice::SpeechdVoice(const Bounds& bounds, Fallback fallback)
    : bounds_(bounds), link_(std::make_shared<Link>()), make_fallback_(std::move(fallback)) {
  int fds[2] = {-1, -1};
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    link_->events_read = fds[0];
    link_->events_write = fds[1];
    event_pipe = fds[1];
  }
  // The worker, and the library's thread it starts, take no signals: the
  // main thread's handlers must run where they can act.
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  worker_ = std::thread(work, link_, *Library::load());
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

std::unique_ptr<SpeechdVoice> SpeechdVoice::connect(const Bounds& bounds, Fallback fallback) {
  if (Library::load() == nullptr) return nullptr;
  std::unique_ptr<SpeechdVoice> voice(new SpeechdVoice(bounds, std::move(fallback)));
  Link& link = *voice->link_;
  if (link.events_read < 0) return voice;
  if (!link.await([&] { return link.connected.has_value(); }, Clock::now() + bounds.connect)) {
    std::unique_lock lock(link.mutex);
    link.abandoned = true;
    // Connected just now, before it could see that: it is ours to let go.
    const bool connected_meanwhile = link.connection != nullptr;
    lock.unlock();
    if (connected_meanwhile) voice->let_go();
    return voice;
  }
  if (!*link.connected) return voice;
  voice->state_ = State::speaking;
  // The proof: a blank, spoken to its end.
  if (voice->speak_through_server(" ", bounds.first_begin, bounds.proof_end) != Heard::ended) {
    if (voice->state_ == State::speaking) voice->let_go();
  }
  return voice;
}

SpeechdVoice::Heard SpeechdVoice::speak_through_server(const std::string& utf8, Duration begin_bound,
                                                       Duration end_bound) {
  Link& link = *link_;
  link.queued.reset();
  link.submit(Link::Job::say, utf8);
  if (!link.await([&] { return link.queued.has_value(); }, Clock::now() + bounds_.answer) || *link.queued < 0) {
    // Gone, refused, or no answer at all.
    give_up();
    return Heard::not_begun;
  }
  const int id = *link.queued;
  const auto begun_or_over = [&] { return link.begun.contains(id) || link.finished.contains(id); };
  if (!link.await(begun_or_over, Clock::now() + begin_bound)) {
    if (link.hung_up) give_up();
    else let_go();
    return Heard::not_begun;
  }
  const bool ended = link.await([&] { return link.finished.contains(id); }, Clock::now() + end_bound);
  link.begun.erase(id);
  link.finished.erase(id);
  if (ended) return Heard::ended;
  if (link.hung_up) give_up();
  else let_go();
  return Heard::lost_after_begin;
}

void SpeechdVoice::let_go() {
  state_ = State::let_go;
  link_->submit(Link::Job::let_go);
}

void SpeechdVoice::give_up() {
  state_ = State::gone;
  // Breaks the library's reads and writes on it, so that a worker blocked in
  // a call returns; the library's own descriptor is never touched.
  if (link_->socket >= 0) shutdown(link_->socket, SHUT_RDWR);
}

Voice* SpeechdVoice::fallback() {
  if (!fallback_ && make_fallback_) fallback_ = make_fallback_();
  return fallback_.get();
}

void SpeechdVoice::say(std::string_view sentence) {
  if (sentence.empty()) return;
  if (state_ == State::speaking) {
    const std::string text = CodePage::ansi().to_utf8(sentence);
    const Duration end_bound = bounds_.end_floor + static_cast<long>(text.size()) * bounds_.end_per_byte;
    // A sentence the server began is never spoken again.
    if (speak_through_server(text, bounds_.later_begin, end_bound) != Heard::not_begun) return;
  }
  if (Voice* voice = fallback()) voice->say(sentence);
}

SpeechdVoice::~SpeechdVoice() {
  Link& link = *link_;
  if (state_ == State::speaking) let_go();
  link.submit(Link::Job::quit);
  std::unique_lock lock(link.mutex);
  const auto worker_done = [&] { return link.worker_done; };
  if (!link.changed.wait_for(lock, 1s, worker_done)) {
    // A server that stopped answering: its socket broken, the worker returns.
    lock.unlock();
    give_up();
    lock.lock();
    link.changed.wait_for(lock, 500ms, worker_done);
  }
  const bool done = link.worker_done;
  // The library's thread is gone once the connection was closed.
  SPDConnection* const left = link.connection;
  const bool closed = left == nullptr;
  lock.unlock();
  if (done) {
    worker_.join();
  } else {
    // Still inside the library's connect, on a server that never answers:
    // the process is ending, and the thread holds only the link.
    worker_.detach();
  }
  if (!closed) {
    // A connection whose server broke is never closed: the library's own
    // thread closes its socket when it sees the break, and a second close
    // could hit a descriptor reused meanwhile. It is kept, not lost, for the
    // rest of the process.
    static auto* const kept = new std::vector<SPDConnection*>;
    kept->push_back(left);
  }
  if (link.socket >= 0) close(link.socket);
  if (done && closed) {
    event_pipe = -1;
    close(link.events_read);
    close(link.events_write);
  }
}

}  // namespace sortwell

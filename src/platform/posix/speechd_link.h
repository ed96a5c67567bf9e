#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace sortwell {

// One connection at a time to a speech-dispatcher server, through its client
// library. Every library call runs on the link's one worker thread, since a
// call can block on a server that stopped answering: the jobs below return
// at once, and their answers arrive on a pipe together with the server's
// events, for `await` to take with a deadline.
class SpeechdLink {
 public:
  using Clock = std::chrono::steady_clock;

  // Whether the client library is there to be loaded.
  static bool available();
  // `retry`: how long the worker waits between attempts to connect.
  explicit SpeechdLink(Clock::duration retry);
  // Closes the connection; a worker stuck in a call to a server that never
  // answers is left to the end of the process.
  ~SpeechdLink();
  SpeechdLink(const SpeechdLink&) = delete;
  SpeechdLink& operator=(const SpeechdLink&) = delete;

  // Jobs. `connect` opens a connection (the first attempt may have the
  // library start a server), and where none answers tries again every
  // `retry` until one does, never while a job waits: `connected` answers
  // each attempt. A new connection speaks a blank at once, its proof:
  // `queued` answers with its id. `say` queues a sentence of plain text:
  // `queued` answers with its message id, or -1. `cancel` stops and drops
  // this connection's messages. `close` stops trying, cancels, then closes
  // the connection, so that a server the library started ends when idle.
  void connect();
  void say(const std::string& utf8);
  void cancel();
  void close();

  // What has arrived: the answers, and the server's events per message.
  std::optional<bool> connected;
  std::optional<int> queued;
  std::set<int> begun;
  std::set<int> ended;
  std::set<int> cancelled;
  bool hung_up = false;  // the server closed the connection, or went away
  bool ending = false;   // the program was told to end

  bool over(int message) const { return ended.contains(message) || cancelled.contains(message); }
  // Begun, or over without beginning (cancelled first): no longer waiting.
  bool begun_or_over(int message) const { return begun.contains(message) || over(message); }
  // Takes what arrives until `done()` holds: true; false once the deadline
  // passes, the server hangs up or the program is told to end.
  template <typename Done>
  bool await(Done done, Clock::time_point deadline) {
    for (;;) {
      take_arrived();
      if (done()) return true;
      if (hung_up || ending || !wait_until(deadline)) return false;
    }
  }
  // Takes what has arrived already, without waiting.
  void take_arrived();
  // Notes a hang-up or the ending, waiting up to `timeout_ms` for either or
  // for an event: an answer can arrive before the hang-up was seen.
  void look(int timeout_ms = 0);
  // Breaks the connection's socket, so that a call blocked on it returns;
  // the library's own descriptor is never touched.
  void break_connection();

  struct Shared;

 private:
  // Waits for something to arrive; false once the deadline has passed.
  bool wait_until(Clock::time_point deadline);

  std::shared_ptr<Shared> shared_;
};

}  // namespace sortwell

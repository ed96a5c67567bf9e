#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/keyboard.h"

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
  // `may_start_server`: whether the first attempt may have the library
  // start a server where none listens.
  SpeechdLink(Clock::duration retry, bool may_start_server);
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
  // this connection's messages, never another client's. `close` stops
  // trying, cancels, then closes the connection, so that a server the
  // library started ends when idle. `set_rate` speaks this connection's
  // later messages `steps` tens faster than the rate the user configured
  // (negative: slower), within the server's -100 to 100, on this
  // connection and every later one. Only what the newest connection
  // answers arrives, and of `queued` only the newest sentence's: an answer
  // still on its way from a connection given up, or for a sentence cut
  // short, is dropped.
  void connect();
  void say(const std::string& utf8);
  void cancel();
  void close();
  void set_rate(int steps);

  // What has arrived: the answers, and the server's events per message.
  std::optional<bool> connected;
  std::optional<int> queued;
  std::set<int> begun;
  std::set<int> ended;
  std::set<int> cancelled;
  int configured_rate = 0;  // the connection's own rate, the user's configured one
  bool hung_up = false;  // the server closed the connection, or went away
  bool ending = false;   // the program was told to end
  bool cut = false;      // a key cut the last wait short

  bool over(int message) const { return ended.contains(message) || cancelled.contains(message); }
  // Begun, or over without beginning (cancelled first): no longer waiting.
  bool begun_or_over(int message) const { return begun.contains(message) || over(message); }
  // Takes what arrives until `done()` holds: true; false once the deadline
  // passes, the server hangs up, the program is told to end, or a key
  // arrives on `cut_by` (then `cut`).
  template <typename Done>
  bool await(Done done, Clock::time_point deadline, Keyboard* cut_by = nullptr) {
    cut = false;
    for (;;) {
      take_arrived();
      if (done()) return true;
      if (hung_up || ending) return false;
      if (cut_by != nullptr && cut_by->key_arrived()) {
        cut = true;
        return false;
      }
      if (!wait_until(deadline, cut_by)) return false;
    }
  }
  // Takes what has arrived already, without waiting.
  void take_arrived();
  // Notes a hang-up or the ending, waiting up to `timeout_ms` for either or
  // for an event (or for input on `key_fd`): an answer can arrive before the
  // hang-up was seen.
  void look(int timeout_ms = 0, int key_fd = -1);
  // Breaks the connection's socket, so that a call blocked on it returns;
  // the library's own descriptor is never touched.
  void break_connection();

  struct Shared;

 private:
  // Waits for something to arrive; false once the deadline has passed.
  bool wait_until(Clock::time_point deadline, Keyboard* cut_by);

  std::shared_ptr<Shared> shared_;
  int connection_ = 0;  // the number of the newest connection asked for
  int request_ = 0;     // the number of the newest sentence asked for on it
};

}  // namespace sortwell

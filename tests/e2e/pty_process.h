#pragma once

#include <sys/types.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace sortwell::testing {

// The built program running in a pseudo-terminal of its own, as a user's
// terminal window would run it.
class PtyProcess {
 public:
  // Starts `program` with `environment` (NAME=value) as its whole environment.
  // `as_job`: started the way a shell with job control starts it, in a
  // process group of its own under a session leader that waits for it, so
  // that it can be stopped (a session leader's own group cannot).
  PtyProcess(const std::string& program, const std::vector<std::string>& environment, int columns = 80,
             const std::vector<std::string>& arguments = {}, bool as_job = false);
  ~PtyProcess();
  PtyProcess(const PtyProcess&) = delete;
  PtyProcess& operator=(const PtyProcess&) = delete;

  // Types the keys as fast as the program takes them; gives up once the
  // program has ended. Safe to call from a second thread while another waits.
  void type(std::string_view keys);
  // Reads the screen output until it holds `text` after what was already
  // waited for; false after `timeout`.
  bool wait_for(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // The exit status, or -1 when the program has not ended within `timeout`.
  int wait_exit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  void signal(int signal_number);
  bool running() const;
  pid_t pid() const { return pid_; }
  // The program itself: `pid()`, or the job under the leader.
  pid_t program_pid() const { return program_pid_; }

  const std::string& output() const { return output_; }
  termios modes() const;
  const termios& modes_at_start() const { return modes_at_start_; }

 private:
  void read_some(std::chrono::milliseconds timeout);

  int master_ = -1;
  pid_t pid_ = -1;
  pid_t program_pid_ = -1;
  std::atomic<int> status_ = -1;
  std::string output_;
  std::size_t seen_ = 0;
  termios modes_at_start_{};
};

bool same_modes(const termios& a, const termios& b);

// Writes keys from a second thread: the terminal's input buffer is small,
// and the program must be read from meanwhile or it blocks on its output.
class Typist {
 public:
  Typist(PtyProcess& process, std::string keys)
      : thread_([this, &process, keys = std::move(keys)] {
          process.type(keys);
          done_ = true;
        }) {}
  ~Typist() { thread_.join(); }
  bool done() const { return done_; }

 private:
  std::atomic<bool> done_ = false;
  std::thread thread_;
};

// The environment the built program runs in: a home of its own (where its
// data directory is made), a plain PATH, an xterm and the built-in voice,
// plus `extra` (a later NAME=value wins).
std::vector<std::string> sortwell_environment(const std::string& home, const std::vector<std::string>& extra = {});

}  // namespace sortwell::testing

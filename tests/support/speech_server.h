#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sortwell::testing {

// The processes whose home is `home`: a server's, its modules' and theirs,
// or those of a program run with that home.
std::vector<pid_t> processes_of(const std::string& home);

// A real speech-dispatcher server on a private socket and configuration.
// Its output module writes "start <text>" for each piece of speech, sleeps
// `speaking_time` seconds as a voice would while speaking, then writes "end".
// `speaking_time` is a shell word, in which $n is the piece's length.
class SpeechServer {
 public:
  static constexpr const char* server_binary = "/usr/bin/speech-dispatcher";

  // `start`: at once, or later with `start()`.
  explicit SpeechServer(const std::string& speaking_time, bool start = true);
  ~SpeechServer() { kill_now(); }
  void start();
  SpeechServer(const SpeechServer&) = delete;
  SpeechServer& operator=(const SpeechServer&) = delete;

  // Kills the server's process group and those its module makes for each
  // piece of speech; any process of its still there after is killed too,
  // and counted in `left_behind`.
  void kill_now();
  int left_behind() const { return left_behind_; }
  // Stops it answering, as a hung server would; it is killed all the same.
  void stop();
  void resume();
  bool ready() const;
  // SPEECHD_ADDRESS=... for a client of this server.
  std::string address() const { return "SPEECHD_ADDRESS=unix_socket:" + socket(); }
  std::string said() const;
  // Everything spoken, the pieces joined.
  std::string text() const;
  // Whether the last piece has ended.
  bool finished_speaking() const;
  std::string log() const { return dir_.file("said.log"); }

 private:
  std::string socket() const { return dir_.file("speechd.sock"); }
  TempDir dir_;
  pid_t pid_ = -1;
  int left_behind_ = 0;
};

}  // namespace sortwell::testing

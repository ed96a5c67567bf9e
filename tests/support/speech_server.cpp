#include "support/speech_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

namespace sortwell::testing {

SpeechServer::SpeechServer(const std::string& speaking_time, bool start_now) {
  std::filesystem::create_directories(dir_.file("conf/modules"));
  write_file(dir_.file("conf/speechd.conf"),
             "AddModule \"recorder\" \"sd_generic\" \"recorder.conf\"\n"
             "DefaultModule recorder\n"
             "AudioOutputMethod \"libao\"\n");
  // `n` is the piece's length in bytes, for a speaking time that depends on
  // it (the configuration reader takes ${...} for its own).
  write_file(dir_.file("conf/modules/recorder.conf"),
             "GenericExecuteSynth \"t=\\'$DATA\\'; n=$(printf %s \\\"$t\\\" | wc -c); printf 'start %s\\\\n' \\\"$t\\\" >> " + log() + "; sleep " +
                 speaking_time + "; echo end >> " + log() + "\"\n"
                 "GenericLanguage \"en\" \"en\" \"utf-8\"\n"
                 "AddVoice \"en\" \"MALE1\" \"recorder\"\n");
  // No sound card: libao's null driver plays nothing.
  write_file(dir_.file(".libao"), "default_driver=null\n");
  if (start_now) start();
}

void SpeechServer::start() {
  if (!std::filesystem::exists(server_binary)) return;
  const std::string home = "HOME=" + dir_.path();
  const std::vector<std::string> args = {"speech-dispatcher", "-s", "-t", "0", "-C", dir_.file("conf"), "-c",
                                         "unix_socket", "-S", socket(), "-L", dir_.path()};
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  char* envp[] = {const_cast<char*>(home.c_str()), const_cast<char*>("PATH=/usr/bin:/bin"), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawn(&pid_, server_binary, &quiet, nullptr, argv.data(), envp) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&quiet);
  for (int i = 0; i < 500 && pid_ > 0 && !std::filesystem::exists(socket()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void SpeechServer::kill_now() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
  // A killed server leaves its socket behind: `start` waits for a new one.
  std::filesystem::remove(socket());
}

void SpeechServer::stop() {
  if (pid_ > 0) kill(pid_, SIGSTOP);
}

void SpeechServer::resume() {
  if (pid_ > 0) kill(pid_, SIGCONT);
}

bool SpeechServer::ready() const { return pid_ > 0 && std::filesystem::exists(socket()); }

std::string SpeechServer::said() const { return std::filesystem::exists(log()) ? read_file(log()) : ""; }

std::string SpeechServer::text() const {
  std::string joined;
  std::istringstream lines(said());
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("start ", 0) == 0) joined += line.substr(6);
  }
  return joined;
}

bool SpeechServer::finished_speaking() const {
  const std::string all = said();
  return all.size() >= 4 && all.compare(all.size() - 4, 4, "end\n") == 0;
}

}  // namespace sortwell::testing

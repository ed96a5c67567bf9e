#include "support/speech_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
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
  // A group of its own, which its modules join: killed whole.
  posix_spawnattr_t group;
  posix_spawnattr_init(&group);
  posix_spawnattr_setflags(&group, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&group, 0);
  if (posix_spawn(&pid_, server_binary, &quiet, &group, argv.data(), envp) != 0) pid_ = -1;
  posix_spawnattr_destroy(&group);
  posix_spawn_file_actions_destroy(&quiet);
  for (int i = 0; i < 500 && pid_ > 0 && !std::filesystem::exists(socket()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::vector<pid_t> processes_of(const std::string& home) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream environ(entry.path() / "environ");
    const std::string variables((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
    if (variables.find("HOME=" + home + '\0') != std::string::npos) found.push_back(std::stoi(entry.path().filename()));
  }
  return found;
}

void SpeechServer::kill_now() {
  if (pid_ <= 0) return;
  // Its group, and those its module makes for each piece of speech, whole.
  std::set<pid_t> groups{pid_};
  for (const pid_t process : processes_of(dir_.path())) {
    // One ended meanwhile has no group (-1, to kill: every process).
    if (const pid_t group = getpgid(process); group > 1 && group != getpgrp()) groups.insert(group);
  }
  for (const pid_t group : groups) kill(-group, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
  // Any still there after a moment left those groups: ended, and counted.
  std::vector<pid_t> left;
  for (int i = 0; i < 100 && !(left = processes_of(dir_.path())).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  for (const pid_t process : left) kill(process, SIGKILL);
  left_behind_ += static_cast<int>(left.size());
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

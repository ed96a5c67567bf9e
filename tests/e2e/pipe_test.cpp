#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/sound_output.h"
#include "records/coupon_record.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

struct Captured {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program with no controlling terminal: keys from a pipe on
// standard input, standard output and standard error into pipes; `pulse`,
// where given, is its PULSE_SERVER.
Captured run_without_terminal(const std::string& home, const std::string& keys, const std::string& pulse = {}) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();  // no controlling terminal: /dev/tty cannot be opened
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    const std::string home_entry = "HOME=" + home;
    const std::string run_entry = "XDG_RUNTIME_DIR=" + home + "/run";
    const std::string pulse_entry = "PULSE_SERVER=" + pulse;
    char* envp[] = {const_cast<char*>(home_entry.c_str()), const_cast<char*>(run_entry.c_str()),
                    pulse.empty() ? nullptr : const_cast<char*>(pulse_entry.c_str()), nullptr};
    char* argv[] = {const_cast<char*>(SORTWELL_BINARY), nullptr};
    execve(SORTWELL_BINARY, argv, envp);
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  [[maybe_unused]] ssize_t written = write(in[1], keys.data(), keys.size());
  close(in[1]);
  Captured captured;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&captured.out, &captured.err};
  int open_pipes = 2;
  while (open_pipes > 0 && poll(fds, 2, 20000) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  captured.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return captured;
}

// Ends every process left with `home` for its home, the speech server a
// run started and its modules among them, and returns them; given the time
// a spawned server takes to appear.
std::vector<pid_t> processes_left(const std::string& home) {
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  std::vector<pid_t> left;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string environment;
    if (std::FILE* file = std::fopen((entry.path() / "environ").c_str(), "r")) environment = read_and_close(file);
    if (environment.find("HOME=" + home + '\0') == std::string::npos) continue;
    left.push_back(std::stoi(entry.path().filename()));
    kill(left.back(), SIGKILL);
  }
  return left;
}

TEST(WithoutTerminal, KeysComeFromStandardInputAndTheEndOfInputSavesAndQuits) {
  TempDir home;
  // The input ends inside the editor, after the manufacturer: Enter from
  // then on leaves the editor, which saves, and the empty line quits.
  const Captured run = run_without_terminal(home.path(), "4711\r\n1Acme\r\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("Sortwell: 4711\r\n", 0), 0u);
  EXPECT_NE(run.err.find("1) manu: Acme"), std::string::npos);
  EXPECT_NE(run.err.find("Shutting down Sortwell software now... Done.\r\n"), std::string::npos);
  const CouponRecord saved = unpack_record(read_file(home.path() + "/.local/share/sortwell/4711.cou"));
  EXPECT_EQ(saved.manufacturer, "Acme");
  EXPECT_EQ(saved.quantity, "00000001");
  // The default voice started no speech server where nothing can play sound
  // (here); elsewhere one it started there is ended, not left running.
  const std::vector<pid_t> left = processes_left(home.path());
  if (!has_sound_output()) {
    EXPECT_EQ(left, std::vector<pid_t>());
  }
}

// A unix socket of `path`: listening, or bound and closed, as a server
// that went away leaves it.
int unix_socket(const std::string& path, bool listening) {
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  path.copy(where.sun_path, sizeof where.sun_path - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where);
  if (listening) listen(fd, 4);
  else close(fd);
  return fd;
}

// Sound counts only where a server answers: a socket left over, or a
// PULSE_SERVER naming none, is no sound, and no speech server is started.
TEST(WithoutSound, OnlyAServerThatAnswersIsSoundAndNoSpeechServerIsLeft) {
  TempDir run;
  std::filesystem::create_directories(run.file("pulse"));
  const int native = unix_socket(run.file("pulse/native"), true);
  const int gone = unix_socket(run.file("gone"), false);
  const int tcp = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof local;
  bind(tcp, reinterpret_cast<sockaddr*>(&local), sizeof local);
  listen(tcp, 4);
  getsockname(tcp, reinterpret_cast<sockaddr*>(&local), &length);
  const std::string port = std::to_string(ntohs(local.sin_port));
  TempDir empty;
  const struct {
    std::string pulse_server;  // "-": unset
    std::string run_dir;
    bool answers;
  } cases[] = {
      {"-", run.path(), true},
      {"-", empty.path(), false},
      {"unix:/nonexistent/pulse", run.path(), false},  // PULSE_SERVER alone is asked
      {"unix:" + run.file("gone"), empty.path(), false},
      {"unix:" + run.file("pulse/native"), empty.path(), true},
      {"{0123abcd}" + run.file("pulse/native"), empty.path(), true},
      {"tcp:127.0.0.1:" + port, empty.path(), true},
      {"unix:/nonexistent/pulse tcp4:localhost:" + port, empty.path(), true},
      {"tcp:[::1]:1 127.0.0.1:1", empty.path(), false},
  };
  for (const auto& c : cases) {
    const char* pulse = c.pulse_server == "-" ? nullptr : c.pulse_server.c_str();
    EXPECT_EQ(sound_server_answers(pulse, c.run_dir), c.answers) << c.pulse_server << " " << c.run_dir;
  }
  for (const int fd : {native, gone, tcp}) close(fd);
  // Nor where PULSE_SERVER names no server.
  TempDir home;
  EXPECT_EQ(run_without_terminal(home.path(), "\r\n", "unix:/nonexistent/pulse").status, 0);
  const std::vector<pid_t> left = processes_left(home.path());
  if (!has_sound_output()) {
    EXPECT_EQ(left, std::vector<pid_t>());
  }
}

}  // namespace
}  // namespace sortwell::testing

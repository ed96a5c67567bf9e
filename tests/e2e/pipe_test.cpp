#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/sound_output.h"
#include "records/coupon_record.h"
#include "support/speech_server.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

struct Captured {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program with no controlling terminal: keys from a pipe on
// standard input, standard output and standard error into pipes.
Captured run_without_terminal(const std::string& home, const std::string& keys, const std::string& pulse_server) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();  // no controlling terminal: /dev/tty cannot be opened
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    std::string entries[] = {"HOME=" + home, "XDG_RUNTIME_DIR=" + home + "/run", "PULSE_SERVER=" + pulse_server};
    char* envp[] = {entries[0].data(), entries[1].data(), entries[2].data(), nullptr};
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

TEST(WithoutTerminal, KeysComeFromStandardInputAndTheEndOfInputSavesAndQuits) {
  TempDir home;
  // The input ends inside the editor, after the manufacturer: Enter from
  // then on leaves the editor, which saves, and the empty line quits. A
  // PULSE_SERVER that names no server is no sound.
  const Captured run = run_without_terminal(home.path(), "4711\r\n1Acme\r\n", "unix:/nonexistent/pulse");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("Sortwell: 4711\r\n", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("1) manu: Acme"), std::string::npos);
  EXPECT_NE(run.err.find("Shutting down Sortwell software now... Done.\r\n"), std::string::npos);
  const CouponRecord saved = unpack_record(read_file(home.path() + "/.local/share/sortwell/4711.cou"));
  EXPECT_EQ(saved.manufacturer, "Acme");
  EXPECT_EQ(saved.quantity, "00000001");
  // No speech server started where nothing plays sound (here), where it
  // would hang; elsewhere it is ended. Given time to appear, with the run's home.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const std::vector<pid_t> left = processes_of(home.path());
  for (const pid_t process : left) kill(process, SIGKILL);
  EXPECT_TRUE(left.empty() || has_sound_output()) << left.size() << " processes left";
}

}  // namespace
}  // namespace sortwell::testing

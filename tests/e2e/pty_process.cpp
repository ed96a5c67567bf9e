#include "e2e/pty_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace sortwell::testing {

using Clock = std::chrono::steady_clock;

PtyProcess::PtyProcess(const std::string& program, const std::vector<std::string>& environment, int columns,
                       const std::vector<std::string>& arguments, bool as_job) {
  int slave = -1;
  winsize size{};
  size.ws_row = 40;
  size.ws_col = static_cast<unsigned short>(columns);
  if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0) throw std::runtime_error("openpty failed");
  tcgetattr(slave, &modes_at_start_);
  std::vector<std::string> env = environment;
  std::vector<std::string> args = arguments;
  args.insert(args.begin(), program);
  int job_pipe[2] = {-1, -1};
  if (as_job && pipe(job_pipe) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ == 0) {
    close(master_);
    login_tty(slave);
    if (as_job) {
      const pid_t job = fork();
      if (job > 0) {
        // The leader: hands the job's pid over and ends with its status.
        [[maybe_unused]] ssize_t sent = write(job_pipe[1], &job, sizeof job);
        int status = 0;
        while (waitpid(job, &status, 0) < 0 && errno == EINTR) {
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
      }
      setpgid(0, 0);
      ::signal(SIGTTOU, SIG_IGN);
      tcsetpgrp(STDIN_FILENO, getpid());
      ::signal(SIGTTOU, SIG_DFL);
    }
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& argument : args) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(slave);
  program_pid_ = pid_;
  if (as_job) {
    close(job_pipe[1]);
    if (read(job_pipe[0], &program_pid_, sizeof program_pid_) != sizeof program_pid_) program_pid_ = pid_;
    close(job_pipe[0]);
  }
  // Writes must never block: the program may end with keys still unread.
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyProcess::~PtyProcess() {
  if (status_ < 0 && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close(master_);
}

bool PtyProcess::running() const {
  if (status_ >= 0) return false;
  siginfo_t info{};
  // WNOWAIT: look without reaping; the waiting thread collects the status.
  return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

void PtyProcess::type(std::string_view keys) {
  while (!keys.empty() && running()) {
    pollfd fd{master_, POLLOUT, 0};
    if (poll(&fd, 1, 50) <= 0) continue;
    if (fd.revents & (POLLHUP | POLLERR)) return;
    const ssize_t n = write(master_, keys.data(), keys.size());
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return;
    keys.remove_prefix(static_cast<std::size_t>(n));
  }
}

void PtyProcess::read_some(std::chrono::milliseconds timeout) {
  pollfd fd{master_, POLLIN, 0};
  if (poll(&fd, 1, static_cast<int>(timeout.count())) <= 0) return;
  char buffer[4096];
  const ssize_t n = read(master_, buffer, sizeof buffer);
  if (n > 0) output_.append(buffer, static_cast<std::size_t>(n));
}

bool PtyProcess::wait_for(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const std::size_t at = output_.find(text, seen_);
    if (at != std::string::npos) {
      seen_ = at + text.size();
      return true;
    }
    if (Clock::now() >= deadline) return false;
    read_some(std::chrono::milliseconds(50));
  }
}

int PtyProcess::wait_exit(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (status_ < 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (Clock::now() >= deadline) return -1;
    read_some(std::chrono::milliseconds(20));  // keeps the program from blocking on a full terminal
  }
  for (int i = 0; i < 5; ++i) read_some(std::chrono::milliseconds(1));
  return status_;
}

void PtyProcess::signal(int signal_number) { kill(program_pid_, signal_number); }

termios PtyProcess::modes() const {
  termios now{};
  tcgetattr(master_, &now);
  return now;
}

std::vector<std::string> sortwell_environment(const std::string& home, const std::vector<std::string>& extra) {
  // The built-in voice unless a test asks for another: no speech server is
  // looked for or started.
  std::vector<std::string> environment = {"HOME=" + home, "PATH=/usr/bin:/bin", "TERM=xterm", "SORTWELL_VOICE=espeak"};
  // The sanitizer build's options reach the program too.
  for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) environment.push_back(std::string(name) + "=" + value);
  }
  for (const std::string& entry : extra) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    std::erase_if(environment, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
    environment.push_back(entry);
  }
  return environment;
}

bool same_modes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
         std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

}  // namespace sortwell::testing

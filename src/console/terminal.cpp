#include "console/terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace sortwell {
namespace {

// What the signal handlers must reach; nothing else lives here.
struct SignalShared {
  int wake_pipe[2] = {-1, -1};
  int raw_fd = -1;  // the terminal in raw mode, -1 when none
  termios saved_modes{};
};
SignalShared shared;

constexpr int quit_signals[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT};
constexpr int crash_signals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Safe to call twice, and from a signal handler.
void restore_modes() {
  if (shared.raw_fd >= 0) tcsetattr(shared.raw_fd, TCSANOW, &shared.saved_modes);
}

void on_quit_signal(int) {
  const int saved_errno = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t ignored = write(shared.wake_pipe[1], &byte, 1);
  errno = saved_errno;
}

void on_crash_signal(int signal_number) {
  restore_modes();
  raise(signal_number);  // the handler was reset to the default, which now ends the process
}

void install(int signal_number, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
}

void enter_raw_mode(int fd) {
  if (!isatty(fd) || tcgetattr(fd, &shared.saved_modes) != 0) return;
  termios raw = shared.saved_modes;
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  // The console writes its own CR LF; no LF is to become CR LF a second time.
  raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSANOW, not TCSAFLUSH: keys typed before start-up are kept.
  if (tcsetattr(fd, TCSANOW, &raw) == 0) shared.raw_fd = fd;
}

}  // namespace

Terminal::Terminal() {
  keyboard_fd_ = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  owns_keyboard_fd_ = keyboard_fd_ >= 0;
  if (!owns_keyboard_fd_) keyboard_fd_ = STDIN_FILENO;

  // A private copy of the screen, so that nothing done to the standard
  // descriptors (the voice silences standard error) reaches our output.
  screen_fd_ = fcntl(isatty(STDOUT_FILENO) ? STDOUT_FILENO : STDERR_FILENO, F_DUPFD_CLOEXEC, 3);

  if (pipe2(shared.wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) shared.wake_pipe[0] = shared.wake_pipe[1] = -1;
  signal(SIGPIPE, SIG_IGN);
  if (shared.wake_pipe[1] >= 0) {
    for (int s : quit_signals) install(s, on_quit_signal, 0);
  }
  enter_raw_mode(keyboard_fd_);
  if (shared.raw_fd >= 0) {
    for (int s : crash_signals) install(s, on_crash_signal, SA_RESETHAND);
  }

  keyboard_ = std::make_unique<FdKeyboard>(keyboard_fd_, shared.wake_pipe[0]);
  screen_ = std::make_unique<FdScreen>(screen_fd_);
}

Terminal::~Terminal() {
  restore_modes();
  shared.raw_fd = -1;
  for (int s : crash_signals) signal(s, SIG_DFL);
  if (owns_keyboard_fd_) close(keyboard_fd_);
  if (screen_fd_ >= 0) close(screen_fd_);
}

}  // namespace sortwell

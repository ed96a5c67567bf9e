#include "platform/terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <string_view>

#include "platform/ending.h"
#include "platform/posix/fd_keyboard.h"
#include "platform/posix/fd_screen.h"

namespace sortwell {
namespace {

// What the signal handlers must reach; nothing else lives here.
struct SignalShared {
  int wake_pipe[2] = {-1, -1};
  FdScreen* screen = nullptr;  // told when the window changes size
  // The terminal in raw mode, -1 when none or once it is given back for
  // good, so that no later SIGCONT puts raw mode back.
  std::atomic<int> raw_fd = -1;
  termios saved_modes{};
  termios raw_modes{};
};
SignalShared shared;

constexpr int quit_signals[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT};
// Every other signal whose default action ends the program: the terminal is
// given back first, then the default action runs.
constexpr int crash_signals[] = {SIGSEGV, SIGBUS,    SIGFPE,  SIGILL,  SIGABRT, SIGUSR1,
                                 SIGUSR2, SIGALRM,   SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ};

static_assert(std::atomic<int>::is_always_lock_free);

// For the time we are stopped. Safe in a signal handler.
void restore_modes() {
  const int fd = shared.raw_fd.load();
  if (fd >= 0) tcsetattr(fd, TCSANOW, &shared.saved_modes);
}

// For good: the descriptor is let go before the modes are set, so a SIGCONT
// handled meanwhile finds nothing to put back in raw mode. Safe to call
// twice, and from a signal handler.
void give_back_modes() {
  const int fd = shared.raw_fd.exchange(-1);
  if (fd >= 0) tcsetattr(fd, TCSANOW, &shared.saved_modes);
}

void on_quit_signal(int) {
  const int saved_errno = errno;
  tell_to_end();
  const char byte = 1;
  [[maybe_unused]] ssize_t ignored = write(shared.wake_pipe[1], &byte, 1);
  errno = saved_errno;
}

void on_crash_signal(int signal_number) {
  give_back_modes();
  raise(signal_number);  // the handler was reset to the default, which now ends the process
}

// Job control: the shell gets its terminal back as it was while we are
// stopped, and raw mode returns when we go on in the foreground. Keys typed
// ahead stay queued: nothing is flushed.
bool reenter_raw_mode() {
  const int fd = shared.raw_fd.load();
  if (fd < 0 || tcgetpgrp(fd) != getpgrp()) return false;
  return tcsetattr(fd, TCSANOW, &shared.raw_modes) == 0;
}

void on_stop_signal(int) {
  const int saved_errno = errno;
  restore_modes();
  // Stop for real: the default action, unblocked for the moment of raise.
  struct sigaction action {}, ours {};
  action.sa_handler = SIG_DFL;
  sigaction(SIGTSTP, &action, &ours);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  raise(SIGTSTP);
  // Continued.
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  sigaction(SIGTSTP, &ours, nullptr);
  reenter_raw_mode();
  errno = saved_errno;
}

void on_resize_signal(int) {
  if (FdScreen* screen = shared.screen) screen->note_resize();
}

void on_continue_signal(int) {
  const int saved_errno = errno;
  // Back in the foreground: the line being typed is shown again (byte 2 on
  // the wake pipe; byte 1 is a quit).
  if (reenter_raw_mode()) {
    const char byte = 2;
    [[maybe_unused]] ssize_t ignored = write(shared.wake_pipe[1], &byte, 1);
  }
  errno = saved_errno;
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
  if (tcsetattr(fd, TCSANOW, &raw) == 0) {
    shared.raw_modes = raw;
    shared.raw_fd = fd;
  }
}

}  // namespace

// Keys come from the controlling terminal (/dev/tty) in raw mode, or from
// standard input as a byte stream when there is none; output goes to standard
// output when it is a terminal, otherwise to standard error. SIGHUP, SIGTERM,
// SIGINT and SIGQUIT end the keyboard, so the session saves and quits through
// its normal path; a crash signal restores the modes before the process dies.
// A write to a closed terminal or pipe never kills the program.
struct Terminal::Devices {
  int keyboard_fd = -1;
  bool owns_keyboard_fd = false;
  int screen_fd = -1;
  std::unique_ptr<FdKeyboard> keyboard;
  std::unique_ptr<FdScreen> screen;
};

Terminal::Terminal() : devices_(std::make_unique<Devices>()) {
  Devices& d = *devices_;
  d.keyboard_fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  d.owns_keyboard_fd = d.keyboard_fd >= 0;
  if (!d.owns_keyboard_fd) d.keyboard_fd = STDIN_FILENO;

  // A private copy of the screen, so that nothing done to the standard
  // descriptors (the voice silences standard error) reaches our output.
  d.screen_fd = fcntl(isatty(STDOUT_FILENO) ? STDOUT_FILENO : STDERR_FILENO, F_DUPFD_CLOEXEC, 3);

  if (pipe2(shared.wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) shared.wake_pipe[0] = shared.wake_pipe[1] = -1;
  signal(SIGPIPE, SIG_IGN);
  if (shared.wake_pipe[1] >= 0) {
    for (int s : quit_signals) install(s, on_quit_signal, 0);
  }
  enter_raw_mode(d.keyboard_fd);
  // A library that ends the process with exit() gives the terminal back too.
  static const bool hooked = std::atexit(give_back_modes) == 0;
  (void)hooked;
  at_end_now(give_back_modes);
  if (shared.raw_fd >= 0) {
    for (int s : crash_signals) install(s, on_crash_signal, SA_RESETHAND);
    install(SIGTSTP, on_stop_signal, SA_RESTART);
    install(SIGCONT, on_continue_signal, SA_RESTART);
  }

  d.keyboard = std::make_unique<FdKeyboard>(d.keyboard_fd, shared.wake_pipe[0]);
  // A dumb terminal (an editor's shell buffer, a serial line) goes down
  // only; it may ignore or print the cursor sequences.
  const char* term = std::getenv("TERM");
  d.screen = std::make_unique<FdScreen>(d.screen_fd, !(term && std::string_view(term) == "dumb"));
  shared.screen = d.screen.get();
  install(SIGWINCH, on_resize_signal, SA_RESTART);
}

Terminal::~Terminal() {
  give_back_modes();
  at_end_now(nullptr);
  for (int s : crash_signals) signal(s, SIG_DFL);
  signal(SIGTSTP, SIG_DFL);
  signal(SIGCONT, SIG_DFL);
  signal(SIGWINCH, SIG_DFL);
  shared.screen = nullptr;
  if (devices_->owns_keyboard_fd) close(devices_->keyboard_fd);
  if (devices_->screen_fd >= 0) close(devices_->screen_fd);
}

Keyboard& Terminal::keyboard() { return *devices_->keyboard; }
Screen& Terminal::screen() { return *devices_->screen; }

}  // namespace sortwell

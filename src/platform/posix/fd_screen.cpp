#include "platform/posix/fd_screen.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace sortwell {

void FdScreen::write(std::string_view utf8) {
  while (!utf8.empty()) {
    const ssize_t n = ::write(fd_, utf8.data(), utf8.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    utf8.remove_prefix(static_cast<std::size_t>(n));
  }
}

int FdScreen::width() {
  if (resized_.exchange(false, std::memory_order_relaxed)) {
    winsize size{};
    width_ = ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
  }
  return width_;
}

}  // namespace sortwell

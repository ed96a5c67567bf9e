#include "platform/posix/socket_within.h"

#include <poll.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sortwell {

int milliseconds_left(SocketClock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SocketClock::now()).count();
  return static_cast<int>(std::max<decltype(left)>(left, 0));
}

int connect_within(const sockaddr* address, socklen_t length, SocketClock::time_point deadline) {
  const int fd = socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  bool connected = connect(fd, address, length) == 0;
  if (!connected && errno == EINPROGRESS) {
    pollfd out{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    connected = poll(&out, 1, milliseconds_left(deadline)) == 1 &&
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
  if (connected) return fd;
  close(fd);
  return -1;
}

int connect_unix_within(std::string_view path, SocketClock::time_point deadline) {
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof where.sun_path) return -1;
  path.copy(where.sun_path, path.size());
  return connect_within(reinterpret_cast<const sockaddr*>(&where), sizeof where, deadline);
}

bool read_within(int fd, void* buffer, std::size_t size, SocketClock::time_point deadline) {
  std::size_t got = 0;
  for (pollfd in{fd, POLLIN, 0}; got < size && poll(&in, 1, milliseconds_left(deadline)) == 1;) {
    const ssize_t n = read(fd, static_cast<char*>(buffer) + got, size - got);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return got == size;
}

}  // namespace sortwell

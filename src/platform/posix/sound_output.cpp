#include "platform/posix/sound_output.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <string_view>

#include "platform/posix/thread_without_signals.h"

namespace sortwell {
namespace {

// How long a server is given to take a connection, a name to resolve
// included: a start-up waits for it.
constexpr std::chrono::milliseconds answer_wait{500};

// Whether a stream socket to `address` is accepted within `wait`.
bool accepts(const sockaddr* address, socklen_t length, std::chrono::milliseconds wait) {
  const int fd = socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  bool accepted = connect(fd, address, length) == 0;
  if (!accepted && errno == EINPROGRESS) {
    pollfd out{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    accepted = poll(&out, 1, static_cast<int>(wait.count())) == 1 &&
               getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
  close(fd);
  return accepted;
}

bool unix_socket_answers(std::string_view path) {
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof where.sun_path) return false;
  path.copy(where.sun_path, path.size());
  return accepts(reinterpret_cast<const sockaddr*>(&where), sizeof where, answer_wait);
}

// `host` and `port` resolved and connected to on a thread of their own,
// since a name server may never answer: false after `answer_wait`.
bool tcp_answers(const std::string& host, const std::string& port, int family) {
  auto answer = std::make_shared<std::promise<bool>>();
  std::future<bool> answered = answer->get_future();
  thread_without_signals([answer, host, port, family] {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    bool accepted = false;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) == 0) {
      for (const addrinfo* at = found; at != nullptr && !accepted; at = at->ai_next) {
        accepted = accepts(at->ai_addr, at->ai_addrlen, answer_wait);
      }
      freeaddrinfo(found);
    }
    answer->set_value(accepted);
  }).detach();
  return answered.wait_for(answer_wait) == std::future_status::ready && answered.get();
}

// One of PULSE_SERVER's servers: "unix:PATH" or "PATH"; "tcp:", "tcp4:",
// "tcp6:" or nothing, then a host, "[IPv6]" or a name, and ":PORT" (4713
// where none); each may follow "{machine-id}".
bool server_answers(std::string_view server) {
  if (server.starts_with('{')) server.remove_prefix(std::min(server.size(), server.find('}') + 1));
  if (server.starts_with("unix:")) return unix_socket_answers(server.substr(5));
  if (server.starts_with('/')) return unix_socket_answers(server);
  int family = AF_UNSPEC;
  for (const auto& [prefix, its_family] : {std::pair{"tcp:", AF_UNSPEC}, {"tcp4:", AF_INET}, {"tcp6:", AF_INET6}}) {
    if (server.starts_with(prefix)) {
      server.remove_prefix(std::string_view(prefix).size());
      family = its_family;
    }
  }
  std::string_view host = server;
  std::string_view port = "4713";
  if (server.starts_with('[')) {
    const std::size_t close = server.find(']');
    host = server.substr(1, close == std::string_view::npos ? close : close - 1);
    if (close != std::string_view::npos && server.substr(close + 1).starts_with(':')) port = server.substr(close + 2);
  } else if (const std::size_t colon = server.rfind(':');
             colon != std::string_view::npos && server.find(':') == colon) {
    // One colon: host and port (a bare IPv6 address has several).
    host = server.substr(0, colon);
    port = server.substr(colon + 1);
  }
  return !host.empty() && tcp_answers(std::string(host), std::string(port), family);
}

}  // namespace

bool sound_server_answers(const char* pulse_server, const std::string& run_dir) {
  // As PulseAudio's own clients read it: where it is set, it alone is asked.
  if (pulse_server != nullptr) {
    std::string_view servers = pulse_server;
    while (!servers.empty()) {
      const std::size_t blank = servers.find_first_of(" \t");
      const std::string_view server = servers.substr(0, blank);
      if (!server.empty() && server_answers(server)) return true;
      servers.remove_prefix(blank == std::string_view::npos ? servers.size() : blank + 1);
    }
    return false;
  }
  return unix_socket_answers(run_dir + "/pulse/native") || unix_socket_answers(run_dir + "/pipewire-0");
}

bool has_sound_output() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/snd", error)) {
    if (entry.path().filename().string().starts_with("pcm")) return true;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string run_dir = runtime != nullptr && *runtime == '/' ? runtime : "/run/user/" + std::to_string(getuid());
  return sound_server_answers(std::getenv("PULSE_SERVER"), run_dir);
}

}  // namespace sortwell

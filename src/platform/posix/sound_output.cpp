#include "platform/posix/sound_output.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/posix/socket_within.h"
#include "platform/posix/thread_without_signals.h"

namespace sortwell {
namespace {

using Clock = SocketClock;

// How long the servers are given to answer, all of them together, a name
// to resolve included: a start-up waits for it.
constexpr std::chrono::milliseconds answer_wait{500};

// PulseAudio's first request, AUTH: a packet's five big-endian words
// (length, channel ~0 for a command, offset twice, flags), then tagged
// values: 'L' a word (command 8, tag 0, protocol version 13), 'x' bytes
// (an empty 256-byte cookie). A server answers it, if only to refuse the
// cookie; a tunnel whose far end has no server, or a port that merely
// takes connections, does not.
std::string auth_request() {
  std::string packet;
  const auto word = [&packet](std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) packet += static_cast<char>(value >> shift & 0xff);
  };
  for (const std::uint32_t value : {3 * 5 + 5 + 256u, ~0u, 0u, 0u, 0u}) word(value);
  for (const std::uint32_t value : {8u, 0u, 13u}) {
    packet += 'L';
    word(value);
  }
  packet += 'x';
  word(256);
  packet.append(256, '\0');
  return packet;
}

// Whether a stream socket to `address` is accepted before `deadline` and,
// for PulseAudio (`pulse`), a command packet comes back to its AUTH.
bool answers(int fd, Clock::time_point deadline, bool pulse) {
  if (fd < 0) return false;
  bool answered = true;
  if (pulse) {
    const std::string request = auth_request();
    unsigned char reply[8];
    answered = send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()) &&
               read_within(fd, reply, sizeof reply, deadline) &&
               std::all_of(reply + 4, reply + 8, [](unsigned char c) { return c == 0xff; });
  }
  close(fd);
  return answered;
}

bool unix_socket_answers(std::string_view path, Clock::time_point deadline, bool pulse) {
  return answers(connect_unix_within(path, deadline), deadline, pulse);
}

bool tcp_answers(const std::string& host, const std::string& port, int family, Clock::time_point deadline) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  bool answered = false;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) == 0) {
    for (const addrinfo* at = found; at != nullptr && !answered && Clock::now() < deadline; at = at->ai_next) {
      answered = answers(connect_within(at->ai_addr, at->ai_addrlen, deadline), deadline, true);
    }
    freeaddrinfo(found);
  }
  return answered;
}

// One of PULSE_SERVER's servers: "unix:PATH" or "PATH"; "tcp:", "tcp4:",
// "tcp6:" or nothing, then a host, "[IPv6]" or a name, and ":PORT" (4713
// where none); each may follow "{machine-id}".
bool server_answers(std::string_view server, Clock::time_point deadline) {
  if (server.starts_with('{')) server.remove_prefix(std::min(server.size(), server.find('}') + 1));
  if (server.starts_with("unix:")) return unix_socket_answers(server.substr(5), deadline, true);
  if (server.starts_with('/')) return unix_socket_answers(server, deadline, true);
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
  return !host.empty() && tcp_answers(std::string(host), std::string(port), family, deadline);
}

// Whether any of `checks` answers before `deadline`: each on a thread of
// its own, since a name server may never answer; those still asking then
// are left to end by themselves.
bool any_answers(std::vector<std::function<bool(Clock::time_point)>> checks, Clock::time_point deadline) {
  struct Answers {
    std::mutex lock;
    std::condition_variable told;
    std::size_t asking = 0;
    bool any = false;
  };
  const auto answers = std::make_shared<Answers>();
  answers->asking = checks.size();
  for (auto& check : checks) {
    thread_without_signals([answers, check = std::move(check), deadline] {
      const bool answered = check(deadline);
      const std::lock_guard<std::mutex> held(answers->lock);
      answers->any = answers->any || answered;
      --answers->asking;
      answers->told.notify_all();
    }).detach();
  }
  std::unique_lock<std::mutex> held(answers->lock);
  answers->told.wait_until(held, deadline, [&] { return answers->any || answers->asking == 0; });
  return answers->any;
}

}  // namespace

bool sound_server_answers(const char* pulse_server, const std::string& run_dir) {
  std::vector<std::function<bool(Clock::time_point)>> checks;
  // As PulseAudio's own clients read it: where it is set, it alone is asked.
  if (pulse_server != nullptr) {
    std::string_view servers = pulse_server;
    while (!servers.empty()) {
      const std::size_t blank = servers.find_first_of(" \t");
      const std::string server(servers.substr(0, blank));
      if (!server.empty()) checks.push_back([server](Clock::time_point by) { return server_answers(server, by); });
      servers.remove_prefix(blank == std::string_view::npos ? servers.size() : blank + 1);
    }
  } else {
    // PipeWire's own protocol is not PulseAudio's: taking a connection is its answer.
    checks.push_back([run_dir](Clock::time_point by) { return unix_socket_answers(run_dir + "/pulse/native", by, true); });
    checks.push_back([run_dir](Clock::time_point by) { return unix_socket_answers(run_dir + "/pipewire-0", by, false); });
  }
  return any_answers(std::move(checks), Clock::now() + answer_wait);
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

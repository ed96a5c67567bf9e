// Whether a sound server answers, as the default voice asks before a speech
// server may be started: real sockets, and a real PulseAudio server.
#include "platform/posix/sound_output.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "e2e/pty_process.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

// A stream socket bound at `where`, listening (taking connections, never
// answering) or, as a server that went away leaves it, closed; its port.
template <typename Address>
std::string bound(Address where, bool listening, int& fd) {
  auto* address = reinterpret_cast<sockaddr*>(&where);
  socklen_t size = sizeof where;
  fd = socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (bind(fd, address, size) != 0 || listen(fd, 4) != 0) return {};
  getsockname(fd, address, &size);
  if (!listening) close(fd);
  return std::to_string(ntohs(reinterpret_cast<sockaddr_in*>(address)->sin_port));
}

// Sound counts only where a server answers: a socket left over, a port
// that takes connections but answers nothing (a tunnel whose far end has no
// server), or a PULSE_SERVER naming none, is no sound. A real PulseAudio
// server of its own, with a null sink, answers at `native` and `port`.
TEST(WithoutSound, OnlyAServerThatAnswersIsSound) {
  TempDir run, empty, pipewire;
  std::filesystem::create_directories(run.file("pulse"));
  int fds[4];
  sockaddr_un gone{AF_UNIX, {}}, pipewire_socket{AF_UNIX, {}};
  run.file("gone").copy(gone.sun_path, sizeof gone.sun_path - 1);
  pipewire.file("pipewire-0").copy(pipewire_socket.sun_path, sizeof pipewire_socket.sun_path - 1);
  bound(gone, false, fds[0]);
  bound(pipewire_socket, true, fds[1]);
  const sockaddr_in loopback{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  const std::string silent = bound(loopback, true, fds[2]), port = bound(loopback, false, fds[3]);
  const std::string native = run.file("pulse/native");
  std::optional<PtyProcess> pulse;
  if (access("/usr/bin/pulseaudio", X_OK) == 0) {
    pulse.emplace("/usr/bin/pulseaudio", std::vector<std::string>{"HOME=" + run.path(), "XDG_RUNTIME_DIR=" + run.path()}, 80,
                  std::vector<std::string>{"-n", "--daemonize=no", "--disable-shm=yes", "--log-level=error", "-Lmodule-null-sink",
                                           "-Lmodule-native-protocol-unix socket=" + native,
                                           "-Lmodule-native-protocol-tcp listen=127.0.0.1 port=" + port});
  }
  for (int i = 0; i < 500 && pulse && !std::filesystem::exists(native); ++i) usleep(10000);
  const struct {
    std::string pulse_server;  // empty: unset
    std::string run_dir;
    bool answers;
    bool needs_pulseaudio = false;
  } cases[] = {
      {"", empty.path(), false},
      {"", pipewire.path(), true},
      {"unix:/nonexistent/pulse", pipewire.path(), false},  // PULSE_SERVER alone is asked
      {"unix:" + run.file("gone"), empty.path(), false},
      {"unix:" + pipewire.file("pipewire-0"), empty.path(), false},  // takes the connection, answers nothing
      {"tcp:[::1]:1 127.0.0.1:1 tcp4:localhost:" + silent + " " + silent, empty.path(), false},
      {"", run.path(), true, true},
      {"{0123abcd}unix:" + native, empty.path(), true, true},
      {"unix:/nonexistent/pulse tcp:127.0.0.1:" + silent + " tcp4:localhost:" + port, empty.path(), true, true},
  };
  for (const auto& c : cases) {
    if (c.needs_pulseaudio && !pulse) continue;
    const char* server = c.pulse_server.empty() ? nullptr : c.pulse_server.c_str();
    EXPECT_EQ(sound_server_answers(server, c.run_dir), c.answers) << c.pulse_server << " in " << c.run_dir;
  }
  close(fds[1]);
  close(fds[2]);
  if (!pulse) GTEST_SKIP() << "pulseaudio is not installed (tools/install-deps test): no server that answers";
}

}  // namespace
}  // namespace sortwell::testing

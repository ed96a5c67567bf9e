// Whether a sound server answers, as the default voice asks before a speech
// server may be started: real sockets, and a real PulseAudio server.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/posix/sound_output.h"
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
  if (bind(fd, address, size) != 0 || (listening ? listen(fd, 4) : close(fd)) != 0) return {};
  getsockname(fd, address, &size);
  return std::to_string(ntohs(reinterpret_cast<sockaddr_in*>(address)->sin_port));
}

// A real PulseAudio server of its own, with no sound card (a null sink), at
// the socket `native` and the loopback's `port`; killed with the object.
struct PulseServer {
  pid_t pid = -1;
  PulseServer(const TempDir& home, const std::string& native, const std::string& port) {
    if (access("/usr/bin/pulseaudio", X_OK) != 0 || (pid = fork()) != 0) {
      for (int i = 0; i < 500 && pid > 0 && !std::filesystem::exists(native); ++i) usleep(10000);
      return;
    }
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    const std::string env[] = {"HOME=" + home.path(), "XDG_RUNTIME_DIR=" + home.path()};
    char* envp[] = {const_cast<char*>(env[0].c_str()), const_cast<char*>(env[1].c_str()), nullptr};
    execle("/usr/bin/pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
           ("-Lmodule-native-protocol-unix socket=" + native).c_str(),
           ("-Lmodule-native-protocol-tcp listen=127.0.0.1 port=" + port).c_str(), "-Lmodule-null-sink", nullptr, envp);
    _exit(127);
  }
  ~PulseServer() {
    if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
  }
};

// Sound counts only where a server answers: a socket left over, a port
// that takes connections but answers nothing (a tunnel whose far end has no
// server), or a PULSE_SERVER naming none, is no sound.
TEST(WithoutSound, OnlyAServerThatAnswersIsSound) {
  TempDir run, empty, pipewire, home;
  std::filesystem::create_directories(run.file("pulse"));
  int fds[4];
  sockaddr_un gone{AF_UNIX, {}}, pipewire_socket{AF_UNIX, {}};
  run.file("gone").copy(gone.sun_path, sizeof gone.sun_path - 1);
  pipewire.file("pipewire-0").copy(pipewire_socket.sun_path, sizeof pipewire_socket.sun_path - 1);
  bound(gone, false, fds[0]);
  bound(pipewire_socket, true, fds[1]);
  const std::string silent = bound(sockaddr_in{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}}, true, fds[2]);
  const std::string free_port = bound(sockaddr_in{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}}, true, fds[3]);
  close(fds[3]);
  const PulseServer pulse(home, run.file("pulse/native"), free_port);
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
      {"{0123abcd}unix:" + run.file("pulse/native"), empty.path(), true, true},
      {"unix:/nonexistent/pulse tcp:127.0.0.1:" + silent + " tcp4:localhost:" + free_port, empty.path(), true, true},
  };
  for (const auto& c : cases) {
    if (c.needs_pulseaudio && pulse.pid <= 0) continue;
    const char* server = c.pulse_server.empty() ? nullptr : c.pulse_server.c_str();
    EXPECT_EQ(sound_server_answers(server, c.run_dir), c.answers) << c.pulse_server << " in " << c.run_dir;
  }
  close(fds[1]);
  close(fds[2]);
  if (pulse.pid <= 0) GTEST_SKIP() << "pulseaudio is not installed (tools/install-deps test): no server that answers";
}

}  // namespace
}  // namespace sortwell::testing

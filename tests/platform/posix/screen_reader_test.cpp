// Finding the user's screen reader in places the test makes: Speakup's sysfs,
// a /proc, BrlAPI's socket, and a private session bus with AT-SPI's launcher.
#include "platform/posix/screen_reader.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "support/temp_dir.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;
using Places = ScreenReaderPlaces;

// A unix socket at `path` taking connections: it writes `first` to its
// first client, or says nothing at all.
struct Listener {
  explicit Listener(const std::string& path, const std::string& first = {}) {
    sockaddr_un where{AF_UNIX, {}};
    path.copy(where.sun_path, sizeof where.sun_path - 1);
    bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where), listen(fd, 4);
    if (first.empty()) return;
    speaker = std::jthread([this, first] {
      const int client = accept(fd, nullptr, nullptr);
      send(client, first.data(), first.size(), 0), close(client);
    });
  }
  ~Listener() { shutdown(fd, SHUT_RDWR), speaker = {}, close(fd); }  // shutdown ends a waiting accept
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::jthread speaker;
};

// A private session bus, a process group with what it starts, killed with this object.
struct PrivateBus {
  PrivateBus() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    FILE* printed = popen("env -u DISPLAY dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
    char text[512] = "", pid[32] = "0";
    if (std::fgets(text, sizeof text, printed) && std::fgets(pid, sizeof pid, printed)) address = strtok(text, "\n");
    pclose(printed), group = std::atoi(pid);
  }
  ~PrivateBus() {
    while (group > 0 && kill(-group, SIGKILL) == 0 && waitpid(-group, nullptr, 0) > 0) {
    }
  }
  std::string address;
  pid_t group = 0;
};

TEST(ScreenReaderFound, BySpeakupOrcaBrlapiOrAtspiAndNeverHeldUpByWhatDoesNotAnswer) {
  testing::TempDir dir;
  const uid_t me = getuid();
  // Speakup's synth, and processes' names and command lines.
  for (const auto& [file, text] : std::map<std::string, std::string>{
           {"soft/synth", "soft\n"}, {"none/synth", "none\n"}, {"orca/20/comm", "orca\n"},
           {"python/19/comm", "python3\n"}, {"python/19/cmdline", std::string("/usr/bin/python3\0/usr/bin/orca\0-r\0", 34)},
           {"others/18/comm", "python3\n"}, {"others/18/cmdline", std::string("python3\0/usr/bin/orcaslicer\0", 28)},
           {"others/self/comm", "orca\n"}}) {
    std::filesystem::create_directories(std::filesystem::path(dir.file(file)).parent_path());
    testing::write_file(dir.file(file), text);
  }
  const std::uint32_t version[3] = {htonl(4), htonl('v'), htonl(8)};  // BrlAPI speaks first
  Listener brltty(dir.file("brltty"), std::string(reinterpret_cast<const char*>(version), sizeof version));
  Listener silent(dir.file("silent"));
  struct Case { const char* what; std::string Places::*place; std::string value; uid_t user; bool found; };
  for (const Case& c : {Case{"Speakup speaking", &Places::speakup, dir.file("soft"), me, true},
                        Case{"Speakup off", &Places::speakup, dir.file("none"), me, false},
                        Case{"Orca by name", &Places::proc, dir.file("orca"), me, true},
                        Case{"Orca by its interpreter", &Places::proc, dir.file("python"), me, true},
                        Case{"another user's Orca", &Places::proc, dir.file("orca"), me + 1, false},
                        Case{"no Orca among these", &Places::proc, dir.file("others"), me, false},
                        Case{"BrlAPI answering", &Places::brlapi_socket, dir.file("brltty"), me, true},
                        Case{"BrlAPI silent", &Places::brlapi_socket, dir.file("silent"), me, false},
                        Case{"a bus that never answers", &Places::session_bus, "unix:path=" + dir.file("silent"), me, false},
                        Case{"no bus", &Places::session_bus, "unix:path=" + dir.file("none/bus"), me, false}}) {
    Places places{dir.file("no"), dir.file("no"), c.user, "", ""};
    places.*c.place = c.value;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(screen_reader_found(places, 50ms), c.found) << c.what;
    // sd-bus's own calls would wait 25 s for the silent bus.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << c.what;
  }
  EXPECT_FALSE(orca_running(dir.file("orca"), me, 0ms)) << "processes looked through past the wait";
  setenv("DBUS_SESSION_BUS_ADDRESS", "tcp:host=bus.example,port=1", 1);
  EXPECT_EQ(screen_reader_places_from_environment().session_bus, "") << "a bus over the network";
  unsetenv("DBUS_SESSION_BUS_ADDRESS");

  if (!std::filesystem::exists("/usr/bin/dbus-daemon") || !std::filesystem::exists("/usr/libexec/at-spi-bus-launcher")) {
    GTEST_SKIP() << "dbus-daemon or at-spi2-core is not installed (tools/install-deps test)";
  }
  PrivateBus bus;
  const Places places{dir.file("no"), dir.file("no"), me, bus.address, ""};
  EXPECT_FALSE(screen_reader_found(places, 1s)) << "a bus without AT-SPI, which is not started for it";
  for (const std::string on : {"true", "false"}) {
    // What a desktop sets when the user turns the screen reader on or off; AT-SPI's launcher answers it.
    ASSERT_EQ(std::system(("DBUS_SESSION_BUS_ADDRESS='" + bus.address + "' dbus-send --session --print-reply "
                           "--dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set string:org.a11y.Status "
                           "string:ScreenReaderEnabled variant:boolean:" + on + " >/dev/null").c_str()), 0);
    EXPECT_EQ(screen_reader_found(places, 1s), on == "true");
  }
}

}  // namespace
}  // namespace sortwell

// Finding the user's screen reader, each way by a table of cases over
// places the test makes: Speakup's sysfs folder, a /proc of Orca and
// others, a real private session bus with AT-SPI's own bus launcher, a bus
// and a BrlAPI that never answer.
#include "platform/posix/screen_reader.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "support/temp_dir.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;
using testing::write_file;

// A unix socket listening at `path` that takes connections and says
// nothing; `answer`, where given, is written to the first client.
struct Listener {
  Listener(const std::string& path, std::string answer = {}) : fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::strncpy(where.sun_path, path.c_str(), sizeof where.sun_path - 1);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    listen(fd, 4);
    if (!answer.empty()) {
      speaker = std::thread([this, answer] {
        const int client = accept(fd, nullptr, nullptr);
        [[maybe_unused]] const ssize_t written = write(client, answer.data(), answer.size());
        std::this_thread::sleep_for(200ms);
        close(client);
      });
    }
  }
  ~Listener() {
    if (speaker.joinable()) speaker.join();
    close(fd);
  }
  int fd;
  std::thread speaker;
};

// A private session bus in a process group of its own, with what it starts
// (AT-SPI's bus launcher), ended with this object.
struct PrivateBus {
  explicit PrivateBus(const TempDir& dir) {
    const std::string file = dir.file("bus");
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    group = fork();
    if (group == 0) {
      setpgid(0, 0);
      unsetenv("DISPLAY");
      setenv("GSETTINGS_BACKEND", "memory", 1);
      dup2(open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 3);
      dup2(open("/dev/null", O_WRONLY), 2);
      execl("/usr/bin/dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=3",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200 && address.empty(); ++i, std::this_thread::sleep_for(10ms)) {
      const std::string printed = std::filesystem::exists(file) ? testing::read_file(file) : "";
      if (printed.ends_with('\n')) address = printed.substr(0, printed.size() - 1);
    }
  }
  ~PrivateBus() {
    kill(-group, SIGKILL);
    waitpid(group, nullptr, 0);
    // Its orphans come to this process, their subreaper, to be reaped at once.
    while (waitpid(-group, nullptr, 0) > 0) {
    }
  }
  // Starts AT-SPI's bus launcher on the bus, as a desktop does, and sets
  // what a desktop sets when the user turns the screen reader on or off.
  bool set_screen_reader(bool on) const {
    const std::string command = "DBUS_SESSION_BUS_ADDRESS='" + address +
                                "' dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus "
                                "org.freedesktop.DBus.Properties.Set string:org.a11y.Status "
                                "string:ScreenReaderEnabled variant:boolean:" + (on ? "true" : "false") + " >/dev/null";
    return std::system(command.c_str()) == 0;
  }
  pid_t group = -1;
  std::string address;
};

void make_process(const TempDir& proc, const std::string& pid, const std::string& comm,
                  const std::vector<std::string>& arguments) {
  std::filesystem::create_directories(proc.file(pid));
  write_file(proc.file(pid + "/comm"), comm + "\n");
  std::string cmdline;
  for (const std::string& argument : arguments) cmdline += argument + '\0';
  write_file(proc.file(pid + "/cmdline"), cmdline);
}

TEST(ScreenReaderFound, BySpeakupOrcaOrBrlapiWhereEachSaysSo) {
  TempDir dir;
  const std::string speakup = dir.file("speakup");
  std::filesystem::create_directories(speakup);
  struct Case {
    const char* synth;
    bool speaking;
  };
  for (const Case c : {Case{"soft\n", true}, Case{"none\n", false}, Case{"", false}}) {
    write_file(speakup + "/synth", c.synth);
    EXPECT_EQ(speakup_speaking(speakup), c.speaking) << c.synth;
  }
  EXPECT_FALSE(speakup_speaking(dir.file("not loaded")));

  const uid_t me = getuid();
  TempDir proc;
  make_process(proc, "17", "bash", {"bash", "-l"});
  make_process(proc, "18", "python3", {"/usr/bin/python3", "/usr/bin/orcaslicer"});
  make_process(proc, "self", "orca", {"orca"});
  EXPECT_FALSE(orca_running(proc.path(), me)) << "no Orca among them";
  make_process(proc, "19", "python3", {"/usr/bin/python3", "/usr/bin/orca", "--replace"});
  EXPECT_TRUE(orca_running(proc.path(), me)) << "Orca run by its interpreter";
  EXPECT_FALSE(orca_running(proc.path(), me + 1)) << "another user's Orca";
  std::filesystem::remove_all(proc.file("19"));
  make_process(proc, "20", "orca", {"/usr/bin/orca"});
  EXPECT_TRUE(orca_running(proc.path(), me)) << "Orca by its name";
  EXPECT_FALSE(orca_running(dir.file("no proc"), me));

  // BrlAPI speaks first: its version packet, or nothing at all.
  const std::uint32_t version[3] = {htonl(4), htonl('v'), htonl(8)};
  Listener brltty(dir.file("brlapi"), std::string(reinterpret_cast<const char*>(version), sizeof version));
  EXPECT_TRUE(brlapi_answers(dir.file("brlapi"), 1s));
  Listener silent(dir.file("silent"));
  EXPECT_FALSE(brlapi_answers(dir.file("silent"), 50ms));
  EXPECT_FALSE(brlapi_answers(dir.file("none"), 50ms));
  EXPECT_FALSE(brlapi_answers("", 50ms));
}

// AT-SPI's flag on a real session bus, true and false; no bus; a bus that
// accepts and never answers, which must not hold start-up.
TEST(ScreenReaderFound, ByAtspiOnTheSessionBusWithoutEverWaitingForIt) {
  TempDir dir;
  EXPECT_FALSE(atspi_screen_reader_enabled("", 1s));
  EXPECT_FALSE(atspi_screen_reader_enabled("unix:path=" + dir.file("no bus"), 1s));
  Listener hung(dir.file("hung"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(atspi_screen_reader_enabled("unix:path=" + dir.file("hung"), 50ms));
  // sd-bus's own blocking calls would wait 25 s.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  if (!std::filesystem::exists("/usr/bin/dbus-daemon") || !std::filesystem::exists("/usr/libexec/at-spi-bus-launcher")) {
    GTEST_SKIP() << "dbus-daemon or at-spi2-core is not installed (tools/install-deps test)";
  }
  PrivateBus bus(dir);
  ASSERT_FALSE(bus.address.empty());
  EXPECT_FALSE(atspi_screen_reader_enabled(bus.address, 1s)) << "a bus without AT-SPI, which is not started for it";
  ASSERT_TRUE(bus.set_screen_reader(true));
  EXPECT_TRUE(atspi_screen_reader_enabled(bus.address, 1s));
  ScreenReaderPlaces places;
  places.session_bus = bus.address;
  places.proc = places.speakup = dir.file("none");
  EXPECT_TRUE(screen_reader_found(places, 1s));
  ASSERT_TRUE(bus.set_screen_reader(false));
  EXPECT_FALSE(atspi_screen_reader_enabled(bus.address, 1s));
  EXPECT_FALSE(screen_reader_found(places, 1s));
}

}  // namespace
}  // namespace sortwell

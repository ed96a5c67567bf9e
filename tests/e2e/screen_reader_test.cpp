// Sortwell read by a real screen reader: Orca in xfce4-terminal under Xvfb,
// in a private D-Bus session with AT-SPI, Orca's speech and Sortwell's own
// recorded by two speech-dispatcher servers, keys typed with xdotool at the
// pace of a keyboard-wedge scanner. Orca runs as this user, so every
// Sortwell started meanwhile would find it: ctest runs this suite alone.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "records/coupon_record.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char* missing_for_the_desktop() {
  for (const char* program : {"/usr/bin/orca", "/usr/bin/Xvfb", "/usr/bin/xdotool", "/usr/bin/xfce4-terminal",
                              "/usr/bin/dbus-daemon", "/usr/bin/speech-dispatcher"}) {
    if (!std::filesystem::exists(program)) return program;
  }
  return nullptr;
}

// The desktop of tests/e2e/orca_desktop.sh, in a process group of its own
// that ends with this object, or with this test's process.
class OrcaDesktop {
 public:
  OrcaDesktop() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    group_ = fork();
    if (group_ == 0) {
      setsid();
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      execl("/bin/bash", "bash", SORTWELL_SOURCE_DIR "/tests/e2e/orca_desktop.sh", dir_.path().c_str(), SORTWELL_BINARY,
            static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~OrcaDesktop() {
    kill(-group_, SIGTERM);
    const auto deadline = Clock::now() + 3s;
    while (waitpid(group_, nullptr, WNOHANG) == 0 && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
    kill(-group_, SIGKILL);
    // Its orphans come to this process, their subreaper, to be reaped at once.
    while (waitpid(-group_, nullptr, 0) > 0) {
    }
    // Xvfb killed outright leaves its lock and socket behind.
    const std::string display = read_file(dir_.file("display.tmp"));
    if (display.empty()) return;
    const std::string number = display.substr(0, display.find('\n'));
    const std::string lock = "/tmp/.X" + number + "-lock";
    // Only where no live server holds it now: ours is gone.
    const std::string holder = std::filesystem::exists(lock) ? read_file(lock) : "";
    if (holder.empty() || kill(std::atoi(holder.c_str()), 0) != 0) {
      std::filesystem::remove(lock);
      std::filesystem::remove("/tmp/.X11-unix/X" + number);
    }
  }
  std::string home() const { return dir_.file("home"); }
  // Where `name`.log holds `text` after its first `from` bytes, waited
  // for; npos when it never does.
  std::size_t heard_at(const char* name, const std::string& text, std::size_t from = 0,
                       std::chrono::seconds wait = 20s) const {
    for (const auto deadline = Clock::now() + wait; Clock::now() < deadline; std::this_thread::sleep_for(50ms)) {
      if (const std::size_t at = said(name).find(text, from); at != std::string::npos) return at;
    }
    return std::string::npos;
  }
  bool heard(const char* name, const std::string& text, std::size_t from = 0, std::chrono::seconds wait = 20s) const {
    return heard_at(name, text, from, wait) != std::string::npos;
  }
  std::string said(const char* name) const {
    const std::string log = dir_.file(std::string(name) + ".log");
    return std::filesystem::exists(log) ? read_file(log) : std::string();
  }
  // Orca runs and the terminal shows; then the program is started by an
  // Enter, typed again while the terminal's shell has not taken one.
  bool started() const {
    for (const auto deadline = Clock::now() + 60s; !std::filesystem::exists(dir_.file("display"));) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(50ms);
    }
    for (int tries = 0; tries < 10 && !std::filesystem::exists(dir_.file("started")); ++tries) {
      type("");
      std::this_thread::sleep_for(1s);
    }
    return std::filesystem::exists(dir_.file("started"));
  }
  // Keys as a scanner types them, 60 ms apart; `enter` ends them with Return.
  void type(const std::string& keys, bool enter = true) const {
    const std::string xdotool = "DISPLAY=" + display() + " /usr/bin/xdotool ";
    if (!keys.empty()) std::system((xdotool + "type --delay 60 '" + keys + "'").c_str());
    if (enter) std::system((xdotool + "key Return").c_str());
  }

 private:
  std::string display() const {
    const std::string text = read_file(dir_.file("display"));
    return text.substr(0, text.find('\n'));
  }
  TempDir dir_;
  pid_t group_ = -1;
};

// The words Orca was given after the Return that ended a line, up to and
// with the next prompt: each piece of its log begins "start ".
std::vector<std::string> words_after_return(const std::string& log) {
  std::string text = log.substr(log.find("start return") + 12);
  text = text.substr(0, text.find("Sortwell:") + 9);
  std::vector<std::string> words;
  std::istringstream pieces(text);
  for (std::string word; pieces >> word;) {
    if (word != "start") words.push_back(word);
  }
  return words;
}

TEST(ScreenReader, OrcaReadsOneShortLinePerScanAndSortwellSaysNothing) {
  if (const char* missing = missing_for_the_desktop()) {
    GTEST_SKIP() << missing << " is missing: tools/install-deps screen-reader installs the desktop this test needs";
  }
  OrcaDesktop desktop;
  // 4711 is known: Acme Corn Flakes, bin 7, category 5. No settings are made.
  std::filesystem::create_directories(desktop.home() + "/.local/share/sortwell");
  CouponRecord record;
  record.code = "4711", record.manufacturer = "Acme", record.description = "Corn Flakes", record.quantity = "00000002";
  record.bin = 7, record.category = 5;
  write_file(desktop.home() + "/.local/share/sortwell/4711.cou", pack_record(record));
  // Started by a key, as from a shell: Orca reads what a key brings.
  ASSERT_TRUE(desktop.started()) << "Orca or the terminal did not start:\n" << desktop.said("orca");
  EXPECT_TRUE(desktop.heard("orca", "Welcome to the Sortwell.")) << desktop.said("orca");
  ASSERT_TRUE(desktop.heard("orca", "Sortwell:"));

  struct Scan {
    const char* mode;
    std::size_t most_words;
    std::size_t bin_within;
  };
  for (const Scan scan : {Scan{"full", 15, 15}, Scan{"brief", 6, 4}}) {
    if (std::string(scan.mode) == "brief") {
      const std::size_t before = desktop.said("orca").size();
      desktop.type("b");
      ASSERT_TRUE(desktop.heard("orca", "brief announcements", before));
      ASSERT_TRUE(desktop.heard("orca", "Sortwell:", before));
    }
    const std::size_t before = desktop.said("orca").size();
    desktop.type("4711");
    const std::size_t enter = desktop.heard_at("orca", "start return", before);
    ASSERT_NE(enter, std::string::npos) << desktop.said("orca").substr(before);
    ASSERT_TRUE(desktop.heard("orca", "Sortwell:", enter));
    const std::vector<std::string> words = words_after_return(desktop.said("orca").substr(before));
    const auto bin = std::find_if(words.begin(), words.end(), [](const std::string& w) { return w.starts_with("7"); });
    EXPECT_LE(words.size(), scan.most_words) << scan.mode << ":\n" << desktop.said("orca").substr(before);
    EXPECT_LT(bin - words.begin(), static_cast<std::ptrdiff_t>(scan.bin_within)) << scan.mode;
  }
  // The help and the keys are read too.
  std::size_t before = desktop.said("orca").size();
  desktop.type("?");
  EXPECT_TRUE(desktop.heard("orca", "Designed to help sort coupons faster", before)) << desktop.said("orca").substr(before);
  EXPECT_TRUE(desktop.heard("orca", "I am ready to start sorting coupons.", before));
  before = desktop.said("orca").size();
  desktop.type("k");
  EXPECT_TRUE(desktop.heard("orca", "Keys for sorting by ear", before));
  EXPECT_TRUE(desktop.heard("orca", "Sortwell:", before));
  // Sortwell's own server heard nothing all along, until s gave Sortwell
  // its voice back: it was there to hear.
  EXPECT_EQ(desktop.said("sortwell"), "");
  desktop.type("s");
  EXPECT_TRUE(desktop.heard("sortwell", "start")) << "Sortwell's own speech server heard nothing after s";
  desktop.type("");
}

}  // namespace
}  // namespace sortwell::testing

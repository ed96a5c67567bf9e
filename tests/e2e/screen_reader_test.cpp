// Sortwell read by Orca in xfce4-terminal under Xvfb (orca_desktop.sh), Orca's
// speech and Sortwell's own recorded by two speech-dispatcher servers, keys
// typed with xdotool at a keyboard-wedge scanner's pace.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "records/coupon_record.h"
#include "support/speech_server.h"

namespace sortwell::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Whether `server` has said `text` past `from`, waited for up to 20 s.
bool heard(const SpeechServer& server, const std::string& text, std::size_t from) {
  for (int i = 0; i < 400; ++i, std::this_thread::sleep_for(50ms)) {
    if (server.said().find(text, from) != std::string::npos) return true;
  }
  return false;
}

// The desktop, with 4711 known (Acme Corn Flakes, bin 7, category 5) and no
// settings made; its process group ended with this object or with the test.
struct OrcaDesktop {
  OrcaDesktop() {
    fs::create_directories(dir.file("home/.local/share/sortwell"));
    write_file(dir.file("home/.local/share/sortwell/4711.cou"),
               pack_record({"4711", "Acme", "", "Corn Flakes", 5, "00000002", {}, {}, 7}));
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    if ((group = fork()) == 0) {
      setsid();
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      execl("/bin/bash", "bash", SORTWELL_SOURCE_DIR "/tests/e2e/orca_desktop.sh", dir.path().c_str(), SORTWELL_BINARY,
            orca.address().c_str(), own.address().c_str(), orca.log().c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 1200 && display.empty(); ++i, std::this_thread::sleep_for(50ms)) {
      if (fs::exists(dir.file("display"))) display = read_file(dir.file("display"));
    }
  }
  ~OrcaDesktop() {
    kill(-group, SIGTERM);
    for (int i = 0; i < 60 && waitpid(group, nullptr, WNOHANG) == 0; ++i) std::this_thread::sleep_for(50ms);
    kill(-group, SIGKILL);
    while (waitpid(-group, nullptr, 0) > 0) {
    }
  }
  // Keys 60 ms apart (faster, Orca listening, xdotool loses some), then Return.
  void type(const std::string& keys) const {
    const std::string xdotool = "DISPLAY=" + display + " /usr/bin/xdotool ";
    if (!keys.empty()) std::system((xdotool + "type --delay 60 '" + keys + "'").c_str());
    std::system((xdotool + "key Return").c_str());
  }
  TempDir dir;
  SpeechServer orca{"0"}, own{"0"};
  pid_t group = -1;
  std::string display;  // empty: the desktop did not start
};

// The words Orca said from the Return that ended the line to the next bare prompt, with it.
const std::string prompt = "Sortwell: \n";
std::vector<std::string> words_after_return(const std::string& log) {
  const std::size_t from = log.find("start return") + 12;
  std::istringstream pieces(log.substr(from, log.find(prompt, from) + prompt.size() - from));
  std::vector<std::string> words;
  for (std::string word; pieces >> word;) {
    if (word != "start" && word != "end") words.push_back(word);
  }
  return words;
}

TEST(ScreenReader, OrcaReadsOneShortLinePerScanAndSortwellSaysNothing) {
  for (const char* program : {"/usr/bin/orca", "/usr/bin/Xvfb", "/usr/bin/xdotool", "/usr/bin/xfce4-terminal",
                              "/usr/bin/dbus-daemon", SpeechServer::server_binary}) {
    if (!fs::exists(program)) GTEST_SKIP() << program << " is missing: tools/install-deps screen-reader installs it";
  }
  OrcaDesktop desktop;
  ASSERT_NE(desktop.display, "") << "Orca or the terminal did not start:\n" << desktop.orca.said();
  ASSERT_TRUE(heard(desktop.orca, prompt, 0)) << desktop.orca.said();
  EXPECT_NE(desktop.orca.said().find("Welcome to the Sortwell."), std::string::npos) << desktop.orca.said();
  for (const bool brief : {false, true}) {
    if (brief) desktop.type("b");
    ASSERT_TRUE(!brief || heard(desktop.orca, "brief announcements", 0));
    ASSERT_TRUE(heard(desktop.orca, prompt, desktop.orca.said().rfind("start return")));
    const std::size_t before = desktop.orca.said().size();
    desktop.type("4711");
    ASSERT_TRUE(heard(desktop.orca, "start return", before));
    ASSERT_TRUE(heard(desktop.orca, prompt, desktop.orca.said().find("start return", before)));
    const std::vector<std::string> words = words_after_return(desktop.orca.said().substr(before));
    const auto bin = std::find_if(words.begin(), words.end(), [](const std::string& w) { return w.starts_with("7"); });
    ASSERT_NE(bin, words.end()) << desktop.orca.said().substr(before);
    // At most 6 words in brief mode, the bin among the first 4; 15 in full mode.
    EXPECT_LE(words.size(), brief ? 6u : 15u) << desktop.orca.said().substr(before);
    EXPECT_LT(bin - words.begin(), brief ? 4 : 15);
  }
  desktop.type("?");
  EXPECT_TRUE(heard(desktop.orca, "Designed to help sort coupons faster", 0)) << desktop.orca.said();
  // Sortwell's own server heard nothing until s gave Sortwell its voice back: it was there to hear.
  EXPECT_EQ(desktop.own.said(), "");
  desktop.type("s");
  EXPECT_TRUE(heard(desktop.own, "screen reader mode off", 0)) << "Sortwell's own server heard nothing after s";
  desktop.type("");
}

}  // namespace
}  // namespace sortwell::testing

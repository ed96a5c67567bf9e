// Several stations sorting into one collection on a real distributed file
// system: a GlusterFS replica-3 volume with an arbiter, one FUSE mount per station, each
// station the built program in a pseudo-terminal with --data-dir. Silent
// stations print what they would say, which is what is checked.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <thread>

#include "e2e/pty_process.h"
#include "records/coupon_record.h"
#include "support/gluster_volume.h"

namespace sortwell::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string prompt = "Sortwell: ";

struct Station {
  Station(const TempDir& home, const std::string& folder)
      : process(SORTWELL_BINARY, sortwell_environment(home.path(), {"SORTWELL_VOICE=none"}), 80,
                {"--data-dir", folder}) {}
  PtyProcess process;
};

class SortingTogether : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { volume = new GlusterVolume(3); }
  static void TearDownTestSuite() {
    delete volume;
    volume = nullptr;
  }
  void SetUp() override {
    if (!volume->ready()) GTEST_SKIP() << volume->why_not();
  }
  static void store(const std::string& code) {
    CouponRecord record;
    record.code = code;
    record.manufacturer = "Maker";
    record.description = code;
    record.quantity = quantity_digits(0);
    write_file(volume->folder(0) + "/" + code + ".cou", pack_record(record));
  }
  static CouponRecord stored(int station, const std::string& code) {
    return unpack_record(read_file(volume->folder(station) + "/" + code + ".cou"));
  }
  // The quantities a station announced, per code, in order.
  static std::map<std::string, std::vector<int>> announced(const std::string& output) {
    static const std::regex line("Maker offers (\\w+) quantity  (\\d+)");
    std::map<std::string, std::vector<int>> counts;
    for (std::sregex_iterator it(output.begin(), output.end(), line), end; it != end; ++it) {
      counts[(*it)[1]].push_back(std::stoi((*it)[2]));
    }
    return counts;
  }
  static GlusterVolume* volume;
  TempDir home;
};
GlusterVolume* SortingTogether::volume = nullptr;

TEST_F(SortingTogether, StationsNeverLoseDoubleOrReplaceEachOthersWork) {
  // Three stations type ahead bursts of the same three codes at once.
  const std::vector<std::string> codes = {"101", "102", "103"};
  for (const std::string& code : codes) store(code);
  std::vector<std::unique_ptr<Station>> stations;
  for (int i = 0; i < 3; ++i) {
    stations.push_back(std::make_unique<Station>(home, volume->folder(i)));
    ASSERT_TRUE(stations.back()->process.wait_for(prompt)) << stations.back()->process.output();
  }
  std::map<std::string, int> scans;
  {
    std::vector<std::unique_ptr<Typist>> typists;
    for (int i = 0; i < 3; ++i) {
      std::string keys;
      for (int n = 0; n < 40; ++n) {
        const std::string& code = codes[static_cast<std::size_t>(n * (i + 1)) % codes.size()];
        keys += code + "\r";
        ++scans[code];
      }
      typists.push_back(std::make_unique<Typist>(stations[static_cast<std::size_t>(i)]->process, keys));
    }
    // The report, run from a third mount while the stations count (the keys
    // are typed long before they are all handled), finds every record whole.
    const auto counted = [&] {
      std::size_t n = 0;
      for (auto& station : stations) {
        for (const auto& [code, counts] : announced(station->process.output())) n += counts.size();
      }
      return n;
    };
    int reports_while_counting = 0;
    const auto give_up = std::chrono::steady_clock::now() + 60s;
    for (bool counting = true; counting && std::chrono::steady_clock::now() < give_up;) {
      const std::string report = std::string(SORTWELL_BINARY) + " report --data-dir " + volume->folder(2) +
                                 " >/dev/null 2>&1";
      // Begun while the stations count: a slow report (the sanitizer build's)
      // may end after the last count.
      for (auto& station : stations) station->process.wait_exit(10ms);
      counting = counted() < 120;
      EXPECT_EQ(std::system(report.c_str()), 0) << "a record read while stations counted was damaged";
      reports_while_counting += counting;
    }
    EXPECT_GT(reports_while_counting, 0);
  }
  std::map<std::string, std::multiset<int>> heard;
  // A scan that waited its two seconds for a lock in vain (a slow machine) is
  // told, and not counted: every other is.
  int told = 0;
  const std::string busy = "This coupon is open in another Sortwell.";
  for (auto& station : stations) {
    station->process.type("\r");
    ASSERT_EQ(station->process.wait_exit(60s), 0);
    const std::string& output = station->process.output();
    for (const auto& [code, counts] : announced(output)) heard[code].insert(counts.begin(), counts.end());
    for (std::size_t at = output.find(busy); at != std::string::npos; at = output.find(busy, at + 1)) ++told;
  }
  int counted = 0, scanned = 0;
  for (const std::string& code : codes) {
    SCOPED_TRACE(code);
    // Counted once each: the announced quantities are 1 to N, none twice,
    // and N is what every station reads.
    const int n = static_cast<int>(heard[code].size());
    std::multiset<int> expected;
    for (int i = 1; i <= n; ++i) expected.insert(i);
    EXPECT_EQ(heard[code], expected);
    for (int station = 0; station < 3; ++station) EXPECT_EQ(stored(station, code).quantity, quantity_digits(n));
    counted += n;
    scanned += scans[code];
  }
  EXPECT_EQ(counted + told, scanned);
  EXPECT_LE(told, scanned / 10);

  // A new code: one station has it open in the editor; the other is told,
  // not let in, and counts it once the first has saved it.
  Station first(home, volume->folder(0));
  Station second(home, volume->folder(1));
  ASSERT_TRUE(first.process.wait_for(prompt) && second.process.wait_for(prompt));
  first.process.type("777\r");
  ASSERT_TRUE(first.process.wait_for("create/edit coupon menu, item: 777"));
  second.process.type("777\r");
  ASSERT_TRUE(second.process.wait_for("This coupon is open in another Sortwell.\r\n" + prompt, 10s));
  first.process.type("1Maker\r3seven\r\r");
  ASSERT_TRUE(first.process.wait_for("Maker offers seven quantity  1"));
  second.process.type("777\r");
  ASSERT_TRUE(second.process.wait_for("Maker offers seven quantity  2"));

  // A record put in place by another way while the editor is open is kept.
  first.process.type("778\r");
  ASSERT_TRUE(first.process.wait_for("create/edit coupon menu, item: 778"));
  CouponRecord theirs;
  theirs.code = "778";
  theirs.manufacturer = "Theirs";
  theirs.quantity = quantity_digits(5);
  write_file(volume->folder(1) + "/copied-in", pack_record(theirs));
  fs::rename(volume->folder(1) + "/copied-in", volume->folder(1) + "/778.cou");
  first.process.type("1Mine\r\r");
  ASSERT_TRUE(first.process.wait_for("Another Sortwell saved this coupon first"));
  EXPECT_EQ(stored(0, "778").manufacturer, "Theirs");
  EXPECT_EQ(stored(0, "778").quantity, quantity_digits(5));

  // Lookups racing another station's "x": nothing half-written, no twin left.
  store("301");
  {
    std::string counting, removing;
    for (int n = 0; n < 20; ++n) counting += "301\r";
    for (int n = 0; n < 10; ++n) removing += "301\rx\r";
    Typist a(first.process, counting);
    Typist b(second.process, removing);
    while (!a.done() || !b.done()) {
      first.process.wait_exit(10ms);
      second.process.wait_exit(10ms);
    }
  }
  // A scan after a removal opens the editor for a new record, which takes
  // the keys that follow: Enter enough times to leave any entry, the editor
  // and then the prompt.
  for (PtyProcess* process : {&first.process, &second.process}) {
    process->type("\r\r\r\r");
    EXPECT_EQ(process->wait_exit(60s), 0) << process->output();
  }
  for (const auto& entry : fs::directory_iterator(volume->folder(2))) {
    EXPECT_EQ(entry.path().filename().string().front() == '.', false) << entry.path() << " was left behind";
    EXPECT_EQ(fs::file_size(entry.path()), record_image_size) << entry.path();
  }
}

TEST_F(SortingTogether, ABrickLostOrTheVolumeStoppedLosesNoAnnouncedCount) {
  store("201");
  Station station(home, volume->folder(0));
  ASSERT_TRUE(station.process.wait_for(prompt));
  {
    std::string keys;
    for (int n = 0; n < 60; ++n) keys += "201\r";
    Typist typist(station.process, keys);
    ASSERT_TRUE(station.process.wait_for("quantity  10"));
    EXPECT_TRUE(volume->kill_brick(0));
    while (!typist.done()) station.process.wait_exit(10ms);
  }
  ASSERT_TRUE(station.process.wait_for("quantity  60" "\r\n" + prompt, 60s)) << station.process.output();
  // Every announced count is there, seen through another station's mount.
  EXPECT_EQ(stored(1, "201").quantity, quantity_digits(60));

  // The volume stopped: a scan is told, not announced; started again, scans
  // count again.
  ASSERT_TRUE(volume->stop());
  station.process.type("201\r");
  ASSERT_TRUE(station.process.wait_for("201\r\nI cannot ", 30s)) << station.process.output();
  ASSERT_TRUE(station.process.wait_for(prompt));
  EXPECT_EQ(announced(station.process.output())["201"].back(), 60);
  ASSERT_TRUE(volume->start());
  bool counted = false;
  for (int attempt = 0; attempt < 60 && !counted; ++attempt) {
    std::this_thread::sleep_for(500ms);
    station.process.type("201\r");
    ASSERT_TRUE(station.process.wait_for(prompt, 30s));
    counted = announced(station.process.output())["201"].back() == 61;
  }
  EXPECT_TRUE(counted) << station.process.output();
  station.process.type("\r");
  EXPECT_EQ(station.process.wait_exit(60s), 0);
  EXPECT_EQ(stored(1, "201").quantity, quantity_digits(61));
}

// The servers restarted one after the other, as an upgrade or a reboot does:
// they forget the locks they held, yet no station's work replaces what
// another announced. With a majority of bricks gone, scans are told.
TEST_F(SortingTogether, ServersThatRestartLoseNoAnnouncedCountOrRecord) {
  CouponRecord counted;
  counted.code = counted.description = "401";
  counted.manufacturer = "Maker";
  counted.quantity = quantity_digits(41);
  write_file(volume->folder(0) + "/401.cou", pack_record(counted));
  Station a(home, volume->folder(0));
  Station b(home, volume->folder(1));
  ASSERT_TRUE(a.process.wait_for(prompt) && b.process.wait_for(prompt));
  const auto restart_every_brick = [] {
    for (int brick = 0; brick < 3; ++brick) ASSERT_TRUE(volume->restart_brick(brick)) << "brick " << brick;
  };

  // Under an editor that holds the record: B counts, A's save is refused.
  a.process.type("e\r401\r");
  ASSERT_TRUE(a.process.wait_for("create/edit coupon menu, item: 401"));
  restart_every_brick();
  b.process.type("401\r");
  ASSERT_TRUE(b.process.wait_for("Maker offers 401 quantity  42", 30s)) << b.process.output();
  a.process.type("\r");
  ASSERT_TRUE(a.process.wait_for("Another Sortwell changed this coupon meanwhile", 30s)) << a.process.output();
  EXPECT_EQ(stored(2, "401").quantity, quantity_digits(42));

  // Under a new record, its twin held: B's record, published first, stays.
  a.process.type("e\r402\r");
  ASSERT_TRUE(a.process.wait_for("create/edit coupon menu, item: 402"));
  restart_every_brick();
  b.process.type("402\r" "1Bee\r" "\r");
  ASSERT_TRUE(b.process.wait_for("Bee offers  quantity  1", 30s)) << b.process.output();
  a.process.type("1Aye\r" "\r");
  ASSERT_TRUE(a.process.wait_for("Another Sortwell saved this coupon first", 30s)) << a.process.output();
  EXPECT_EQ(stored(2, "402").manufacturer, "Bee");

  // Both data bricks gone, the arbiter up: told, not announced, until one is back.
  ASSERT_TRUE(volume->kill_brick(0) && volume->kill_brick(1));
  b.process.type("401\r");
  ASSERT_TRUE(b.process.wait_for("I cannot reach the coupon folder, so I cannot save this coupon.", 30s))
      << b.process.output();
  ASSERT_TRUE(volume->start());
  for (int attempt = 0; attempt < 60 && announced(b.process.output())["401"].back() == 42; ++attempt) {
    std::this_thread::sleep_for(500ms);
    b.process.type("401\r");
    ASSERT_TRUE(b.process.wait_for(prompt, 30s));
  }
  for (Station* station : {&a, &b}) {
    station->process.type("\r");
    EXPECT_EQ(station->process.wait_exit(60s), 0);
  }
  // Counted again, and the last count announced is the one on disk.
  const int last = announced(b.process.output())["401"].back();
  EXPECT_GT(last, 42) << b.process.output();
  EXPECT_EQ(stored(2, "401").quantity, quantity_digits(last));
}

using Seconds = std::chrono::duration<double>;

// Reads every station's screen until `done` holds, or `limit` has passed: how long it took.
template <typename Done>
Seconds read_until(const std::vector<PtyProcess*>& stations, Done done, Seconds limit) {
  const auto start = std::chrono::steady_clock::now();
  while (!done() && std::chrono::steady_clock::now() - start < limit) {
    for (PtyProcess* station : stations) station->wait_exit(5ms);
  }
  return std::chrono::steady_clock::now() - start;
}

// A station's cable pulled, a data server's (quorum kept), the link between the
// sides: no scan silent over a second, each outcome within the README's bound,
// SIGTERM ends a waiting station within a second, the side with two servers
// counts on, and the healed file holds the counts announced, without split brain.
TEST_F(SortingTogether, WhenTheNetworkDropsNoScanIsSilentAndNoAnnouncedCountIsLost) {
  const std::string slow = "The coupon folder does not answer yet. I keep trying.";
  // Station 1, on the side with two servers, always counts.
  const struct { const char* what; const char* cable; bool station_0_counts; } cuts[] = {
      {"station 0's cable", "c0", false}, {"data server 1's cable", "s1", true}, {"the link between the sides", "sides", false}};
  for (const auto& c : cuts) {
    SCOPED_TRACE(c.what);
    const std::string code = "60" + std::to_string(&c - cuts);
    store(code);
    // Station 0, station 1, and a third on station 0's mount that is ended meanwhile.
    Station a(home, volume->folder(0)), b(home, volume->folder(1)), ended(home, volume->folder(0));
    std::vector<PtyProcess*> all = {&a.process, &b.process, &ended.process};
    for (PtyProcess* station : all) ASSERT_TRUE(station->wait_for(prompt)) << station->output();
    const std::size_t since[] = {a.process.output().size(), b.process.output().size(), ended.process.output().size()};
    const auto heard = [&](std::size_t s, const std::string& what) {
      return all[s]->output().find(what, since[s]) != std::string::npos;
    };
    const auto outcome = [&](std::size_t s) { return heard(s, "\r\n" + prompt); };
    const auto told = [&](std::size_t s) { return heard(s, slow) || outcome(s); };
    ASSERT_TRUE(volume->cut(c.cable));
    for (PtyProcess* station : all) station->type(code + "\r");
    // A report on station 0's mount is told and ended the same way.
    PtyProcess report(SORTWELL_BINARY, sortwell_environment(home.path()), 80, {"report", "--data-dir", volume->folder(0)});
    const Seconds first = read_until(all, [&] { return told(0) && told(1) && told(2); }, 2s);
    EXPECT_LE(first.count(), 1.0) << "a scan was silent for more than a second";
    ASSERT_TRUE(heard(2, slow)) << ended.process.output();
    ended.process.signal(SIGTERM);
    const Seconds quit = read_until(all, [&] { return !ended.process.running(); }, 5s);
    EXPECT_LE(quit.count(), 1.0);
    EXPECT_EQ(ended.process.wait_exit(0ms), 0);
    EXPECT_TRUE(same_modes(ended.process.modes(), ended.process.modes_at_start()));
    // The time to start counts too.
    EXPECT_TRUE(report.wait_for("the folder does not answer yet. I keep trying.", 1500ms)) << report.output();
    report.signal(SIGTERM);
    EXPECT_EQ(report.wait_exit(1s), 128 + SIGTERM);
    all.pop_back();
    const Seconds waited = read_until(all, [&] { return outcome(0) && outcome(1); }, recipe_longest_wait + 5s);
    EXPECT_TRUE(outcome(0) && outcome(1)) << a.process.output() << b.process.output();
    EXPECT_EQ(heard(0, "Maker offers " + code), c.station_0_counts) << a.process.output();
    EXPECT_EQ(heard(0, "I cannot reach the coupon folder"), !c.station_0_counts) << a.process.output();
    EXPECT_TRUE(heard(1, "Maker offers " + code)) << b.process.output();
    std::printf("[ network ] %s: first sentence %.2f s, SIGTERM to the end %.2f s, outcomes %.1f s\n", c.what,
                first.count(), quit.count(), (first + quit + waited).count());
    // The side with two servers goes on counting at once.
    const std::size_t counted_by_b = announced(b.process.output())[code].size();
    b.process.type(code + "\r" + code + "\r");
    read_until(all, [&] { return announced(b.process.output())[code].size() == counted_by_b + 2; }, 10s);
    EXPECT_EQ(announced(b.process.output())[code].size(), counted_by_b + 2) << b.process.output();
    ASSERT_TRUE(volume->cut(c.cable, false));
    EXPECT_EQ(volume->split_brain_after_heal(60s), 0);
    // Station 0 counts again once its client is back on every server.
    for (int attempt = 0; attempt < 60 && announced(a.process.output())[code].empty(); ++attempt) {
      std::this_thread::sleep_for(500ms);
      a.process.type(code + "\r");
      ASSERT_TRUE(a.process.wait_for(prompt, recipe_longest_wait + 5s));
    }
    // Each count announced once, and the last of them is the file's.
    for (Station* station : {&a, &b}) {
      station->process.type("\r");
      EXPECT_EQ(station->process.wait_exit(60s), 0);
    }
    const std::vector<int> said = announced(a.process.output() + b.process.output())[code];
    std::multiset<int> counts(said.begin(), said.end()), expected;
    for (int n = 1; n <= static_cast<int>(said.size()); ++n) expected.insert(n);
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(stored(1, code).quantity, quantity_digits(static_cast<double>(said.size())));
  }
}

}  // namespace
}  // namespace sortwell::testing

// The prompt's keys for sorting by ear: the rate, brief mode and their
// settings, and the collection's totals.
#include "session/pace.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <thread>
#include <tuple>

#include "collection/collection_command.h"
#include "records/coupon_record.h"
#include "session/settings.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using testing::read_file;
using testing::TestProgram;
using testing::write_file;
using Sentences = std::vector<std::string>;

// What was heard after the greeting, each with the rate it was said at.
struct Paced : TestProgram {
  explicit Paced(std::string_view script, const std::string& settings = "") : TestProgram(script) {
    voice.on_say = [this](const std::string& sentence) { said.push_back(sentence + " @" + std::to_string(voice.rate)); };
    std::filesystem::create_directories(std::filesystem::path(settings_path).parent_path());
    if (!settings.empty()) write_file(settings_path, settings);
  }
  Sentences heard() const { return Sentences(said.begin() + 1, said.end()); }
  Sentences said;
};

// The voice steps within its range (here -2 to 2), saying so at the new rate;
// brief mode and the rate are kept, and the next run starts with them.
TEST(Pace, RateAndBriefModeStepWithinTheRangeAndLastToTheNextRun) {
  Paced first("+\r+\r+\r-\rb\r\r");
  first.run();
  EXPECT_EQ(first.heard(), (Sentences{"faster @1", "fastest @2", "fastest @2", "slower @1", "brief announcements @1"}));
  EXPECT_EQ(read_file(first.settings_path), "# Sortwell's settings, kept from one run to the next.\nbrief = on\nrate = 1\n");
  Paced second("-\r-\r-\rb\rk\r\r");
  second.settings_path = first.settings_path;
  second.run();
  EXPECT_EQ(second.heard(), (Sentences{"slower @0", "slower @-1", "slowest @-2", "full announcements @-2",
                                       "Keys for sorting by ear: b brief or full announcements; f the full announcement "
                                       "of the last coupon; plus faster; minus slower; t the totals, or t and a bin "
                                       "number for that bin; r reads the coupon on the scanner aloud, the largest print first, with the scanner "
                                       "and print language your settings name; s screen reader mode; m the last coupon's menu; k these keys. @-2"}));
  // Brief until b: the keys typed ahead cut those sentences short.
  EXPECT_EQ(second.voice.cut, (Sentences{second.voice.sentences.begin(), second.voice.sentences.begin() + 4}));
  EXPECT_EQ(read_file(first.settings_path), "# Sortwell's settings, kept from one run to the next.\nbrief = off\nrate = -2\n");
}

// A settings file that cannot be read or holds nonsense is told once, with
// its reason, after the greeting, and the defaults hold; one that cannot be
// written is told at the change. Sorting goes on either way.
TEST(Pace, SettingsThatCannotBeReadOrKeptAreToldWithTheirReason) {
  Paced applied("4711\r\r", "brief = on\n# a comment\n\n  rate=-1  \n");
  applied.run();
  EXPECT_EQ(applied.heard(), (Sentences{"New coupon. @-1", "I now need you to tell me about your current coupon please. @-1",
                                        "No bin. @-1"}));
  for (const char* nonsense : {"brief = yes\n", "rate = 2\nspeed = 3\n", "rate = 21\n", "fast\n"}) {
    Paced t("", nonsense);
    t.run();
    ASSERT_EQ(t.heard().size(), 1u) << nonsense;
    EXPECT_TRUE(t.heard()[0].starts_with("Your settings make no sense to me: line ")) << t.heard()[0];
  }
  // What is no regular file (a device only where root may make one) is
  // never replaced, nor written through.
  for (const mode_t type : {S_IFDIR, S_IFIFO, S_IFCHR}) {
    Paced t("+\r");
    const std::string node = t.data.path() + "/node";
    if ((type == S_IFDIR ? mkdir(node.c_str(), 0700) : mknod(node.c_str(), type | 0600, makedev(1, 5))) != 0) continue;
    std::filesystem::create_symlink(node, t.settings_path);
    t.run();
    EXPECT_EQ(t.heard(), (Sentences{"I cannot read your settings: it is not a regular file. I use the defaults. @0",
                                    "faster @1", "I cannot keep this setting for the next run: it is not a regular file. @1"}));
    struct stat after {};
    EXPECT_TRUE(stat(node.c_str(), &after) == 0 && (after.st_mode & S_IFMT) == type) << type;
    EXPECT_TRUE(std::filesystem::is_symlink(t.settings_path));
  }
  // A link to a file not made yet (dotfiles kept elsewhere) is no settings
  // yet: the first change makes the file where it leads.
  Paced t("+\r");
  std::filesystem::create_symlink(t.data.path() + "/dotfiles/settings", t.settings_path);
  t.run();
  EXPECT_EQ(t.heard(), Sentences{"faster @1"});
  EXPECT_TRUE(std::filesystem::is_symlink(t.settings_path));
  EXPECT_NE(read_file(t.settings_path).find("\nrate = 1\n"), std::string::npos);
}

// Two copies changing their own setting at once, again and again: each
// change is kept, the file ends with each copy's last, no temporary left.
TEST(Pace, TwoCopiesChangingSettingsAtOnceKeepBothChanges) {
  testing::TempDir home;
  const std::string path = home.path() + "/sortwell/settings";
  std::string told[2];  // nothing, while every change is kept
  const auto copy = [&](int which) {
    Settings mine;
    for (int i = 1; i <= 25; ++i) {
      const auto change = [&](Settings& s) { which ? void(s.rate = i % 20) : void(s.brief = i % 2 == 1); };
      change(mine);
      told[which] += save_settings(path, mine, change);
    }
  };
  std::thread other(copy, 0);
  copy(1);
  other.join();
  EXPECT_EQ(told[0] + told[1], "");
  std::string ignored;
  Settings both;
  both.brief = true, both.rate = 5;
  EXPECT_EQ(load_settings(path, ignored), both);
  for (const auto& entry : std::filesystem::directory_iterator(home.path() + "/sortwell")) {
    EXPECT_TRUE(entry.path().filename() == "settings" || entry.path().filename() == "settings.lock") << entry.path();
  }
}

// "t" speaks the figures `sortwell report` prints for the same folder, in
// all and per bin, the expired coupons and the damaged files included.
TEST(Pace, TotalsAreTheReportsFiguresSpoken) {
  TestProgram t("t\rt 7\rT0\rt9\rt 256\r\r");
  t.clock.now.tm_year = 126;  // 12-08-2026
  t.clock.now.tm_mon = 11;
  t.clock.now.tm_mday = 8;
  std::filesystem::create_directories(t.data_dir);
  const auto store = [&](const std::string& code, const char* quantity, std::uint8_t bin, std::uint16_t value) {
    CouponRecord record;
    std::tie(record.quantity, record.bin, record.value) = std::tuple(quantity, bin, value);
    write_file(t.record_file(code), pack_record(record));
  };
  store("4711", "00000002", 7, 7550);   // 2 x 75.5 cents
  store("42", "00000001", 7, 10000);    // 1 dollar
  store("8110106141411234562751206503261130", "00000003", 3, 0);  // expired on 11-30-2026
  store("5", "00000001", 0, 25);
  write_file(t.record_file("6"), "too short");
  t.run();
  EXPECT_EQ(Sentences(t.voice.sentences.begin() + 1, t.voice.sentences.end()), (Sentences{
                       "7 coupons of 5 codes in 2 bins, worth 2 dollars 51 cents. 3 expired. "
                       "1 record file is damaged: sortwell report names them.",
                       "Bin 7: 3 coupons of 2 codes, worth 2 dollars 51 cents.",
                       "No bin: 1 coupon of 2 codes, worth 0 cents.", "Bin 9: 0 coupons of 0 codes, worth 0 cents.",
                       "Bin 9: 0 coupons of 0 codes, worth 0 cents."}));
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  run_collection_command("report", {}, t.data_dir, {2026, 12, 8}, out, err);
  std::fclose(err);
  // The report's rows, their columns one blank apart.
  std::string report;
  for (const char c : testing::read_and_close(out)) {
    if (c != ' ' || (!report.empty() && report.back() != ' ')) report += c;
  }
  EXPECT_NE(report.find("\nin all 5 7 $2.51\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\n7 2 3 $2.51\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\nno bin 2 1 $0.00\n"), std::string::npos) << report;
}

}  // namespace
}  // namespace sortwell

#include "session/pace.h"

#include <gtest/gtest.h>

#include <filesystem>

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
                                       "number for that bin; k these keys. @-2"}));
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
  Paced folder("+\r");
  std::filesystem::create_directories(folder.settings_path);
  folder.run();
  EXPECT_EQ(folder.heard(), (Sentences{"I cannot read your settings: Is a directory. I use the defaults. @0", "faster @1",
                                       "I cannot keep this setting for the next run: Is a directory. @1"}));
}

}  // namespace
}  // namespace sortwell

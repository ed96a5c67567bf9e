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
  explicit Paced(std::string_view script) : TestProgram(script) {
    voice.on_say = [this](const std::string& sentence) { said.push_back(sentence + " @" + std::to_string(voice.rate)); };
  }
  Sentences said;
};

// The voice steps within its range (here -2 to 2), saying so at the new rate;
// brief mode and the rate are kept, and the next run starts with them.
TEST(Pace, RateAndBriefModeStepWithinTheRangeAndLastToTheNextRun) {
  Paced first("+\r+\r+\r-\rb\r\r");
  first.run();
  EXPECT_EQ(first.said, (Sentences{"Welcome to the Sortwell.  Press question mark and then enter key to get help. May we start? @0",
                                   "faster @1", "fastest @2", "fastest @2", "slower @1", "brief announcements @1"}));
  EXPECT_EQ(read_file(first.settings_path), "# Sortwell's settings, kept from one run to the next.\nbrief = on\nrate = 1\n");

  Paced second("-\r-\r-\r-\rb\r\r");
  second.settings_path = first.settings_path;
  second.run();
  EXPECT_EQ(Sentences(second.said.begin() + 1, second.said.end()),
            (Sentences{"slower @0", "slower @-1", "slowest @-2", "slowest @-2", "full announcements @-2"}));
  // Brief: the keys typed ahead cut the sentences short, but not the last word.
  EXPECT_EQ(second.voice.cut, (Sentences{second.voice.sentences.begin(), second.voice.sentences.end() - 1}));
  EXPECT_EQ(read_file(first.settings_path), "# Sortwell's settings, kept from one run to the next.\nbrief = off\nrate = -2\n");
}

// A settings file that cannot be read or holds nonsense is told once, with
// its reason, after the greeting, and the defaults hold; one that cannot be
// written is told at the change. Sorting goes on either way.
TEST(Pace, SettingsThatCannotBeReadOrKeptAreToldWithTheirReason) {
  const struct {
    std::string file;  // "/" makes a folder of it
    std::string script;
    Sentences heard;
  } cases[] = {
      {"brief = on\n# a comment\n\n  rate=-1  \n", "4711\r\r",
       {"New coupon. @-1", "I now need you to tell me about your current coupon please. @-1", "No bin. @-1"}},
      {"brief = yes\n", "", {"Your settings make no sense to me: line 1: brief must be on or off. I use the defaults. @0"}},
      {"rate = 2\nspeed = 3\n", "", {"Your settings make no sense to me: line 2 names no setting I know. I use the defaults. @0"}},
      {"rate = 21\n", "", {"Your settings make no sense to me: line 1: rate must be a whole number from -20 to 20. I use the defaults. @0"}},
      {"fast\n", "", {"Your settings make no sense to me: line 1 is no name = value. I use the defaults. @0"}},
      {"/", "+\r", {"I cannot read your settings: Is a directory. I use the defaults. @0", "faster @1",
                    "I cannot keep this setting for the next run: Is a directory. @1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Paced t(c.script + "\r");
    std::filesystem::create_directories(c.file == "/" ? t.settings_path : t.settings_path.substr(0, t.settings_path.rfind('/')));
    if (c.file != "/") write_file(t.settings_path, c.file);
    t.run();
    EXPECT_EQ(Sentences(t.said.begin() + 1, t.said.end()), c.heard);
  }
  // No folder can be made for the settings: the change is told, not kept.
  Paced nowhere("b\r\r");
  write_file(nowhere.data.file("config"), "a file, not a folder");
  nowhere.run();
  EXPECT_EQ(Sentences(nowhere.said.begin() + 1, nowhere.said.end()),
            (Sentences{"I cannot read your settings: Not a directory. I use the defaults. @0", "brief announcements @0",
                       "I cannot keep this setting for the next run: Not a directory. @0"}));
}

TEST(Pace, KeysAreToldAndPrinted) {
  TestProgram t("k\r\r");
  t.run();
  const std::string keys = "Keys for sorting by ear: b brief or full announcements; f the full announcement of the last coupon; "
                           "plus faster; minus slower; t the totals, or t and a bin number for that bin; k these keys.";
  EXPECT_EQ(t.voice.sentences.back(), keys);
  EXPECT_NE(t.screen.text().find("k these keys."), std::string::npos);
}

}  // namespace
}  // namespace sortwell

#include "session/session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "records/coupon_record.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;
using testing::TestProgram;
using Sentences = std::vector<std::string>;

const std::string greeting =
    "Welcome to the Sortwell.  Press question mark and then enter key to get help. May we start?";
const std::string help =
    "Designed to help sort coupons faster and with less effort.  Keys:g toggles ghost mode; e toggles edit mode; "
    "x removes deletes last entry; y means yes; n means no; nothing enter quits the program";
const std::string no_prior = "No prior entry known, so I cannot remove any record.";
const std::string removing = "I am removing your last entry as requested.";

std::size_t files_in(const std::string& dir) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++count;
  return count;
}

TEST(Session, AnEmptyLineQuitsWithTheClosingLinesAndPauses) {
  TestProgram t("\r");
  EXPECT_EQ(t.run(), 0);
  EXPECT_EQ(t.voice.sentences, Sentences{greeting});
  EXPECT_EQ(t.screen.rows(),
            (std::vector<std::string>{"Sortwell:", "Shutting down Sortwell software now... Done.", ""}));
  EXPECT_EQ(t.clock.pauses, (std::vector<std::chrono::milliseconds>{2000ms, 1000ms}));
  EXPECT_TRUE(std::filesystem::is_directory(t.data_dir));
}

TEST(Session, NothingIsPrintedBeforeTheFirstPrompt) {
  TestProgram t("\r");
  t.run();
  EXPECT_EQ(t.screen.output().rfind("Sortwell: ", 0), 0u);
}

TEST(Session, LinesThatAreNoCommandRepeatThePendingSentence) {
  TestProgram t("n\rg \r go\rabc\r0\r000\r-5\r\r");
  t.run();
  EXPECT_EQ(t.voice.sentences, Sentences(8, greeting));
  EXPECT_EQ(files_in(t.data_dir), 0u);
}

TEST(Session, HelpIsPrintedOnceAndSpokenThenTheReadySentence) {
  TestProgram t("123?\r\r");
  t.run();
  EXPECT_EQ(t.voice.sentences, (Sentences{greeting, help, "I am ready to start sorting coupons."}));
  const auto rows = t.screen.rows();
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[0], "Sortwell: 123?");
  EXPECT_EQ(rows[1] + rows[2] + rows[3], help);
  EXPECT_EQ(rows[3].size(), help.size() - 160);
  EXPECT_EQ(rows[4], "Sortwell:");
  EXPECT_EQ(files_in(t.data_dir), 0u);
}

TEST(Session, ACharacterTheCodePageLacksIsAQuestionMarkAndSoAHelpRequest) {
  TestProgram t("\xe2\x98\xba\r\r");
  t.run();
  ASSERT_EQ(t.voice.sentences.size(), 3u);
  EXPECT_EQ(t.voice.sentences[1], help);
}

struct ToggleCase {
  const char* name;
  std::string script;
  Sentences heard;
};

class Toggles : public ::testing::TestWithParam<ToggleCase> {};

TEST_P(Toggles, FlipTheModeSayItOnceAndLeaveTheNextPassSilent) {
  TestProgram t(GetParam().script);
  t.run();
  Sentences heard{greeting};
  heard.insert(heard.end(), GetParam().heard.begin(), GetParam().heard.end());
  EXPECT_EQ(t.voice.sentences, heard);
}

void PrintTo(const ToggleCase& c, std::ostream* out) { *out << c.name; }

INSTANTIATE_TEST_SUITE_P(
    Modes, Toggles,
    ::testing::Values(ToggleCase{"GhostOn", "g\r\r", {"ghost mode activated"}},
                      ToggleCase{"GhostTwice", "g\rG\r\r", {"ghost mode activated", "ghost mode inactive"}},
                      ToggleCase{"EditOn", "E\r\r", {"edit toggle is activated"}},
                      ToggleCase{"EditTwice", "e\re\r\r", {"edit toggle is activated", "edit toggle is inactive"}},
                      ToggleCase{"Both", "g\re\r\r", {"ghost mode activated", "edit toggle is activated"}},
                      ToggleCase{"SilentPassThenRepeatNothing", "g\rn\r\r", {"ghost mode activated"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Session, RemoveBeforeAnyLookupIsHeardTwice) {
  TestProgram t("x\r\r");
  t.run();
  EXPECT_EQ(t.voice.sentences, (Sentences{greeting, no_prior, no_prior}));
}

TEST(Session, RemoveAfterALookupDeletesThatRecordFileAndItsAnnouncement) {
  // 4711 is new: Enter at the editor's menu saves it as it is.
  TestProgram t("4711\r\rf\rX\rf\rm\rx\r\r");
  t.run();
  EXPECT_FALSE(std::filesystem::exists(t.record_file("4711")));
  const Sentences& heard = t.voice.sentences;
  ASSERT_GE(heard.size(), 8u);
  EXPECT_EQ((Sentences(heard.end() - 8, heard.end())),
            (Sentences{" offers  quantity  1", " offers  quantity  1", removing, removing,
                       "There is no announcement to repeat.", "There is no coupon to show.", no_prior, no_prior}));
}

TEST(Session, RemoveWhenTheFileIsAlreadyGoneSaysSo) {
  TestProgram t("4711\r\rx\r\r");
  // Deleted by other means right after the lookup.
  t.voice.on_say = [&](const std::string& sentence) {
    if (sentence == " offers  quantity  1") std::filesystem::remove(t.record_file("4711"));
  };
  t.run();
  EXPECT_EQ((Sentences(t.voice.sentences.end() - 2, t.voice.sentences.end())), (Sentences{no_prior, no_prior}));
}

TEST(Session, YesTellsTimeAndDateBeforeTheNextPrompt) {
  TestProgram t("y\r\r");
  t.clock.now.tm_hour = 14;
  t.clock.now.tm_min = 5;
  t.clock.now.tm_sec = 9;
  t.clock.now.tm_mon = 2;
  t.clock.now.tm_mday = 17;
  t.clock.now.tm_year = 125;
  t.run();
  EXPECT_EQ(t.voice.sentences,
            (Sentences{greeting, "I am ready for your first coupon.  The time and date is 14:05:09  03-17-2025"}));
  EXPECT_EQ(t.screen.text().find("ready"), std::string::npos);
}

TEST(Session, PositiveNumbersAreLookedUpWithTheLineExactlyAsTyped) {
  TestProgram t(" 77\r\r0123\r\r12ab\r\r");
  t.run();
  EXPECT_TRUE(std::filesystem::exists(t.record_file(" 77")));
  EXPECT_TRUE(std::filesystem::exists(t.record_file("0123")));
  EXPECT_TRUE(std::filesystem::exists(t.record_file("12ab")));
  EXPECT_EQ(files_in(t.data_dir), 3u);
}

TEST(Session, ADataDirectoryThatCannotBeMadeIsToldOnceAndNothingIsCounted) {
  const std::string no_dir = "I cannot save coupons: their folder cannot be made or written.";
  TestProgram t("4711\r\r");
  testing::write_file(t.data.file("blocker"), "x");
  t.data_dir = t.data.file("blocker") + "/sortwell";
  EXPECT_EQ(t.run(), 0);
  EXPECT_EQ(t.voice.sentences, (Sentences{greeting, no_dir, "I cannot save this coupon."}));
  EXPECT_EQ(t.screen.rows().front(), no_dir);
}

#ifndef _WIN32
TEST(Session, MadeDataDirectoriesAreForTheUserAlone) {
  TestProgram t("\r");
  t.data_dir = t.data.file("share") + "/sortwell";
  t.run();
  for (const std::string& dir : {t.data.file("share"), t.data_dir}) {
    EXPECT_EQ(std::filesystem::status(dir).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all)
        << dir;
  }
}
#endif

TEST(Session, ControlBytesNeverReachTheVoice) {
  TestProgram t("4711\r\r");
  std::filesystem::create_directories(t.data_dir);
  CouponRecord record;
  record.code = "4711";
  record.manufacturer = "\x01" "0A\x7f" "Acme";
  testing::write_file(t.record_file("4711"), pack_record(record));
  t.run();
  EXPECT_EQ(t.voice.sentences.back(), "0AAcme offers  quantity  1");
}

}  // namespace
}  // namespace sortwell

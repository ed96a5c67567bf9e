// Screen-reader mode: the user's own screen reader is the voice, so every
// sentence is printed once on a line of its own, a lookup prints one line
// instead of the coupon's menu, and the program opens no voice of its own.
#include "session/screen_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "records/coupon_record.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using testing::read_file;
using testing::write_file;
using Rows = std::vector<std::string>;

const std::string greeting =
    "Welcome to the Sortwell.  Press question mark and then enter key to get help. May we start?";
const std::string full = "Acme offers Corn Flakes quantity  4 bin number  7 as category  5";

// A screen wide enough for the greeting on one row, 4711 known (Acme Corn
// Flakes, bin 7, category 5, counted twice), and the settings given.
struct Reading : testing::TestProgram {
  explicit Reading(std::string_view script, const std::string& settings = "") : TestProgram(script, 120) {
    std::filesystem::create_directories(data_dir);
    CouponRecord record;
    record.code = "4711", record.manufacturer = "Acme", record.description = "Corn Flakes";
    record.quantity = "00000002", record.bin = 7, record.category = 5;
    write_file(record_file("4711"), pack_record(record));
    std::filesystem::create_directories(std::filesystem::path(settings_path).parent_path());
    if (!settings.empty()) write_file(settings_path, settings);
  }
  Rows rows() const {
    Rows all = screen.rows();
    return Rows(all.begin(), all.end() - 2);  // without the closing lines
  }
};

// Two scans typed ahead, f and m, in either mode: the screen says what the
// voice would have, each scan counted, and no voice is ever opened.
TEST(ScreenReaderMode, ALookupPrintsItsAnnouncementAloneAndMPrintsTheMenu) {
  for (const bool brief : {false, true}) {
    Reading t("4711\r4711\rf\rm\r\r", brief ? "brief = on\n" : "");
    t.screen_reader = true;
    t.run();
    const std::string third = "Acme offers Corn Flakes quantity  3 bin number  7 as category  5";
    const Rows rows = t.rows();
    EXPECT_EQ(Rows(rows.begin(), rows.begin() + 9),
              (Rows{greeting, "Sortwell: 4711", brief ? "7." : third, "Sortwell: 4711", brief ? "7." : full,
                    "Sortwell: f", full, "Sortwell: m", "create/edit coupon menu, item: 4711"}));
    EXPECT_EQ(rows.size(), 19u);
    EXPECT_EQ(t.voices_opened, 0);
    EXPECT_TRUE(t.voice.sentences.empty());
    EXPECT_EQ(unpack_record(read_file(t.record_file("4711"))).quantity, "00000004");
  }
}

// s turns the mode off (the voice opened then, and spoken to) and on again,
// each kept; the help and the keys are printed once; + and - leave the rate
// kept for the voice; m before any coupon says there is none.
TEST(ScreenReaderMode, SToggledIsKeptAndTheVoiceOpensOnlyWhenTurnedOff) {
  Reading t("?\rk\r+\rm\rs\rs\r\r", "rate = 2\n");
  t.screen_reader = true;
  t.run();
  const Rows rows = t.rows();
  const auto count = [&](const std::string& row) {
    return std::count_if(rows.begin(), rows.end(), [&](const std::string& r) { return r.starts_with(row); });
  };
  EXPECT_EQ(count("Designed to help sort coupons"), 1);
  EXPECT_EQ(count("Keys for sorting by ear:"), 1);
  EXPECT_EQ(count("I am ready to start sorting coupons."), 1);
  EXPECT_EQ(count("Your screen reader sets the rate."), 1);
  EXPECT_EQ(count("There is no coupon to show."), 1);
  EXPECT_EQ(count("screen reader mode on"), 1);
  EXPECT_EQ(t.voices_opened, 1);
  EXPECT_EQ(t.voice.sentences, (std::vector<std::string>{"screen reader mode off"}));
  EXPECT_EQ(t.voice.rate, 2);
  EXPECT_EQ(read_file(t.settings_path),
            "# Sortwell's settings, kept from one run to the next.\nbrief = off\nrate = 2\nscreen reader = on\n");
}

// Who decides: a voice the user named wins over the setting and detection;
// the setting over detection; "auto" asks detection.
TEST(ScreenReaderMode, TheNamedVoiceThenTheSettingThenDetectionDecide) {
  struct Case {
    const char* setting;
    bool found;
    bool chosen;
    bool reading;
  };
  for (const Case c : {Case{"auto", true, false, true}, Case{"auto", false, false, false}, Case{"", true, false, true},
                       Case{"on", false, false, true}, Case{"off", true, false, false}, Case{"on", true, true, false},
                       Case{"auto", true, true, false}}) {
    Reading t("4711\r\r", *c.setting ? std::string("screen reader = ") + c.setting + "\n" : "");
    t.screen_reader = c.found;
    t.voice_chosen = c.chosen;
    t.run();
    const std::string what = std::string(c.setting) + (c.found ? " found" : "") + (c.chosen ? " chosen" : "");
    EXPECT_EQ(t.voices_opened, c.reading ? 0 : 1) << what;
    // Outside the mode, the Part's menu.
    EXPECT_EQ(t.rows()[1], c.reading ? "Sortwell: 4711" : "create/edit coupon menu, item: 4711") << what;
  }
}

}  // namespace
}  // namespace sortwell

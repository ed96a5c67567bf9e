// Screen-reader mode: every sentence printed once on a line of its own, a
// lookup's one line instead of the coupon's menu, and no voice of its own.
#include "session/screen_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "records/coupon_record.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using Rows = std::vector<std::string>;
const std::string third = "Acme offers Corn Flakes quantity  3 bin number  7 as category  5";

// 4711 known (Acme Corn Flakes, bin 7, category 5, counted twice); the greeting on one row.
struct Reading : testing::TestProgram {
  Reading(std::string_view script, const std::string& settings) : TestProgram(script, 120) {
    std::filesystem::create_directories(std::filesystem::path(settings_path).parent_path());
    std::filesystem::create_directories(data_dir);
    testing::write_file(settings_path, settings);
    testing::write_file(record_file("4711"), pack_record({"4711", "Acme", "", "Corn Flakes", 5, "00000002", {}, {}, 7}));
  }
};

// Scans typed ahead counted; the help, keys and s printed once; + leaves the
// rate to the voice, opened only by s and only once (the built-in voice cannot
// be made twice in a run); the choice kept.
TEST(ScreenReaderMode, OneLinePerLookupEachSentenceOnceAndTheVoiceOpenOnlyOutsideIt) {
  for (const bool brief : {false, true}) {
    Reading t("4711\r4711\rf\rm\r?\rk\r+\rs\rs\rs\r\r", std::string("rate = 2\nbrief = ") + (brief ? "on\n" : "off\n"));
    t.screen_reader = true;
    t.run();
    const Rows rows = t.screen.rows();
    const std::string full = "Acme offers Corn Flakes quantity  4 bin number  7 as category  5";
    EXPECT_EQ(Rows(rows.begin() + 1, rows.begin() + 9), (Rows{"Sortwell: 4711", brief ? "7." : third, "Sortwell: 4711",
                                                              brief ? "7." : full, "Sortwell: f", full, "Sortwell: m",
                                                              "create/edit coupon menu, item: 4711"}));
    for (const char* once : {"Designed to help sort", "Keys for sorting by ear:", "I am ready to start sorting coupons.",
                             "Your screen reader sets the rate.", "screen reader mode on"}) {
      EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&](const std::string& r) { return r.starts_with(once); }), 1)
          << once;
    }
    EXPECT_EQ(t.voice.sentences, (Rows{"screen reader mode off", "screen reader mode off"}));
    EXPECT_EQ(t.voice.rate, 2);
    EXPECT_EQ(t.voices_opened, 1);
    EXPECT_EQ(testing::read_file(t.settings_path), std::string("# Sortwell's settings, kept from one run to the next.\n") +
                                                       "brief = " + (brief ? "on" : "off") + "\nrate = 2\nscreen reader = off\n");
  }
}

// The named voice wins over the setting, the setting over detection. Outside the mode, the menu.
TEST(ScreenReaderMode, TheNamedVoiceThenTheSettingThenDetectionDecide) {
  struct Case { const char* settings; bool found, chosen, reading; };
  for (const Case c : {Case{"screen reader = auto\n", true, false, true}, Case{"", false, false, false},
                       Case{"", true, false, true}, Case{"screen reader = on\n", false, false, true},
                       Case{"screen reader = off\n", true, false, false}, Case{"screen reader = on\n", true, true, false},
                       Case{"", true, true, false}}) {
    Reading t("4711\r\r", c.settings);
    t.screen_reader = c.found, t.voice_chosen = c.chosen;
    t.run();
    const std::string what = std::string(c.settings) + (c.found ? " found" : "") + (c.chosen ? " chosen" : "");
    EXPECT_EQ(t.voices_opened, c.reading ? 0 : 1) << what;
    EXPECT_EQ(t.screen.rows()[c.reading ? 2 : 1], c.reading ? third : "create/edit coupon menu, item: 4711") << what;
  }
}

}  // namespace
}  // namespace sortwell

#include "editor/coupon_editor.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/number_text.h"
#include "editor/coupon_menu.h"
#include "editor/field_entry.h"
#include "records/coupon_file.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using testing::read_file;

const std::vector<std::string> fresh_menu = {
    "create/edit coupon menu, item: 4711",
    "1) manu:",
    "2) exp:",
    "3) des:",
    "4) cat: [none setup yet]",
    "5) Q =",
    "6) $ [unknown]",
    "7) number needed to participate is unknown.",
    "8) the bin designation for this is unknown.",
    "",
};

std::string fresh_image() {
  CouponRecord record;
  record.code = "4711";
  return pack_record(record);
}

// The editor over a new record for code 4711 whose file is open.
struct Editor : testing::TestProgram {
  explicit Editor(std::string_view script) : TestProgram(script) {
    std::filesystem::create_directories(data_dir);
    file.open_or_create(path, record, {}, [] {});
  }
  bool run() {
    const bool written = run_coupon_editor(console, voice, categories, picker_position, "4711", record, file,
                                           [](const FileResult&) {}).ok();
    file.close();
    return written;
  }
  void show() { show_coupon_menu(console, record, categories, "4711"); }
  std::string saved() const { return read_file(path); }
  CouponRecord reloaded() const { return unpack_record(saved()); }
  int menus() const {
    int count = 0;
    const std::string text = screen.text();
    for (std::size_t at = text.find("create/edit coupon menu"); at != std::string::npos;
         at = text.find("create/edit coupon menu", at + 1)) {
      ++count;
    }
    return count;
  }
  // The last menu line that starts with `label`.
  std::string last_line(const std::string& label) const {
    std::string found;
    for (const std::string& row : screen.rows()) {
      if (row.rfind(label, 0) == 0) found = row;
    }
    return found;
  }
  std::string path = record_file("4711");
  CouponRecord record = new_record("4711");
  CouponFile file;
  CategoryTable categories = build_category_table();
  std::uint8_t picker_position = 0;
};

TEST(CouponEditor, EnterFirstPrintsTheMenuOnceAndSavesTheCodeAlone) {
  Editor e("\r");
  e.run();
  EXPECT_EQ(e.screen.rows(), [] {
    auto rows = fresh_menu;
    rows.push_back("");
    return rows;
  }());
  EXPECT_EQ(e.saved(), fresh_image());
}

TEST(CouponEditor, AReloadedRecordShowsZerosForFieldsNeverSet) {
  Editor e("");
  e.record = load_record(fresh_image());
  e.show();
  EXPECT_EQ(e.last_line("4) cat:"), "4) cat: frozen");
  EXPECT_EQ(e.last_line("6) $"), "6) $  0");
  EXPECT_EQ(e.last_line("7) #"), "7) #  0");
  EXPECT_EQ(e.last_line("8) bin#"), "8) bin#  0");
}

TEST(CouponEditor, MenuShowsBytesUnsignedAndUnnamedCategoriesEmpty) {
  Editor e("");
  CouponRecord& record = e.record;
  record.category = 0xff;
  record.value = 0x1388;
  record.number_needed = 3;
  record.bin = 12;
  e.show();
  EXPECT_EQ(e.last_line("4) cat:"), "4) cat:");
  EXPECT_EQ(e.last_line("6) $"), "6) $  .5");
  EXPECT_EQ(e.last_line("7) #"), "7) #  3");
  EXPECT_EQ(e.last_line("8) bin#"), "8) bin#  12");
  e.record = load_record(fresh_image().substr(0, 272));
  e.show();
  EXPECT_EQ(e.last_line("6) $"), "6) $ [unknown]");
}

TEST(CouponEditor, UnknownKeysPrintTheMenuTwiceAndChangeNothing) {
  for (const char* key : {"9", "x", "\x1b[A", "0"}) {
    Editor e(std::string(key) + "\r");
    e.run();
    EXPECT_EQ(e.menus(), 3) << key;
    EXPECT_EQ(e.saved(), fresh_image()) << key;
  }
}

TEST(CouponEditor, TextItemsTakeWholeLinesKeptWholeUntilSaved) {
  const std::string long_name(130, 'm');
  Editor e("1" + long_name + "\r3big box\r\r");
  e.run();
  EXPECT_EQ(e.screen.text().find("manufacturer:" + long_name.substr(0, 67)), e.screen.text().find("manufacturer:"));
  EXPECT_NE(e.screen.text().find("description: big box"), std::string::npos);
  EXPECT_EQ(e.last_line("3) des:"), "3) des: big box");
  EXPECT_EQ(e.reloaded().manufacturer, long_name.substr(0, 100));
  EXPECT_EQ(e.reloaded().description, "big box");
}

TEST(CouponEditor, ExpiryShowsMonthSlashYearAndTheFileKeepsTheMonth) {
  Editor e("20614\r");
  e.run();
  const auto rows = e.screen.rows();
  const auto at = std::find(rows.begin(), rows.end(), "month xx/");
  ASSERT_NE(at, rows.end());
  EXPECT_EQ(*(at + 1), "06/14");
  EXPECT_EQ(e.last_line("2) exp:"), "2) exp: 0614");
  EXPECT_EQ(e.reloaded().expiry, "06");
}

struct NumberNeededCase {
  const char* key;
  std::uint8_t stored;
};

class NumberNeeded : public ::testing::TestWithParam<NumberNeededCase> {};

TEST_P(NumberNeeded, IsTheDigitOfOneKey) {
  Editor e(std::string("7") + GetParam().key + "\r");
  e.run();
  EXPECT_EQ(e.reloaded().number_needed, GetParam().stored);
  EXPECT_EQ(e.last_line("7) #"), "7) # " + number_text(GetParam().stored));
}

INSTANTIATE_TEST_SUITE_P(Keys, NumberNeeded,
                         ::testing::Values(NumberNeededCase{"x", 0}, NumberNeededCase{" ", 0},
                                           NumberNeededCase{"\r", 0}, NumberNeededCase{"5", 5},
                                           NumberNeededCase{"9", 9}, NumberNeededCase{"\x1b[A", 0}));

struct ValueCase {
  const char* keys;
  unsigned stored;
  const char* shown;
};

class Value : public ::testing::TestWithParam<ValueCase> {};

TEST_P(Value, IsStoredInHundredthsOfACentLowByteFirst) {
  Editor e(std::string("6") + GetParam().keys + "\r");
  e.run();
  EXPECT_EQ(e.reloaded().value, GetParam().stored);
  EXPECT_EQ(e.last_line("6) $"), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Amounts, Value,
                         ::testing::Values(ValueCase{"25\r", 2500, "6) $  .25"}, ValueCase{"655\r", 65500, "6) $  6.55"},
                                           ValueCase{"700\r", 0, "6) $ [unknown]"},
                                           ValueCase{"-5\r", 0, "6) $ [unknown]"},
                                           ValueCase{"12345", 0, "6) $ [unknown]"},
                                           ValueCase{"1.5\r", 150, "6) $  .015"},
                                           ValueCase{"9E99\r", 0, "6) $ [unknown]"},
                                           ValueCase{"abc\r", 0, "6) $  0"}));

TEST(Value, TheFirstTwoBytesAreLowThenHigh) {
  Editor e("625\r\r");
  e.run();
  EXPECT_EQ(e.saved().substr(271, 2), "\xc4\x09");
}

TEST(Value, EnterAloneStoresZeroAndEndsTheEditorAfterOneMenu) {
  Editor e("6\r");
  e.run();
  EXPECT_EQ(e.saved().substr(271, 2), std::string(2, '\0'));
  EXPECT_EQ(e.menus(), 2);
  EXPECT_EQ(e.last_line("6) $"), "6) $  0");
  EXPECT_EQ(e.keyboard.keys_after_end(), 0);
}

TEST(Value, KeysAreKeptAsPressedAndTheMenuFollowsTheEcho) {
  Editor e("61\x7f" "2\r\r");
  e.run();
  const auto rows = e.screen.rows();
  EXPECT_NE(std::find(rows.begin(), rows.end(), "1\xe2\x97\x98" "2create/edit coupon menu, item: 4711"), rows.end());
  EXPECT_EQ(e.last_line("6) $"), "6) $  .01");
}

struct BinCase {
  const char* keys;
  const char* shown;
};

class Bin : public ::testing::TestWithParam<BinCase> {};

TEST_P(Bin, IsOneByteOrEmptyForMinusOne) {
  Editor e(std::string("8") + GetParam().keys + "\r");
  e.run();
  EXPECT_EQ(e.last_line("8) "), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Numbers, Bin,
                         ::testing::Values(BinCase{"300", "8) the bin designation for this is unknown."},
                                           BinCase{"-2\r", "8) the bin designation for this is unknown."},
                                           BinCase{"-1\r", "8) the bin designation for this is unknown."},
                                           BinCase{"abc", "8) bin#  0"}, BinCase{"2.5", "8) bin#  2"},
                                           BinCase{"3.5", "8) bin#  4"}, BinCase{"1.6", "8) bin#  2"},
                                           BinCase{"7\r", "8) bin#  7"}, BinCase{"\r", "8) bin#  0"}));

// A number the field cannot hold is refused, printed and spoken; the field
// keeps what it had and the editor stays open. What fits is kept as before.
TEST(Entries, ThatDoNotFitAreRefusedNotWrapped) {
  struct Case {
    const char* keys;  // item 6 or 8 set first to a value that fits, then the entry
    bool refused;
    const char* shown;
  };
  const Case cases[] = {
      {"625\r" "6655.3", false, "6) $  6.553"},     // the largest a record holds in five keys
      {"625\r" "6655.4", true, "6) $  .25"},       // the smallest above 655.35 cents
      {"625\r" "66.6E2", true, "6) $  .25"},       // 660 cents, written with an exponent
      {"625\r" "6-1\r", true, "6) $  .25"},        // negative
      {"625\r" "6-.004", false, "6) $  0"},        // rounds into the range
      {"85\r" "8255", false, "8) bin#  255"},
      {"85\r" "8256", true, "8) bin#  5"},
      {"85\r" "8-2\r", true, "8) bin#  5"},
      {"85\r" "8-.5", false, "8) bin#  0"},        // rounds to 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    Editor e(std::string(c.keys) + "\r");
    e.run();
    const std::string label = c.shown[0] == '6' ? "6) $" : "8) ";
    EXPECT_EQ(e.last_line(label), c.shown);
    const char* reason = c.shown[0] == '6' ? value_does_not_fit : bin_does_not_fit;
    EXPECT_EQ(e.voice.sentences == std::vector<std::string>{reason}, c.refused);
    // Printed too, on its own line (wrapped at the row's end).
    EXPECT_EQ(e.screen.text().find(std::string(reason).substr(0, 60)) != std::string::npos, c.refused);
  }
}

TEST(Bin, ThreeKeysEndTheEntryAndTheMenuStartsRightAfterThem) {
  Editor e("8123\r");
  e.run();
  const auto rows = e.screen.rows();
  EXPECT_NE(std::find(rows.begin(), rows.end(), "123create/edit coupon menu, item: 4711"), rows.end());
  EXPECT_EQ(e.reloaded().bin, 123);
}

TEST(Bin, MinusOneIsSavedAsBinZero) {
  Editor e("8-1\r\r");
  e.run();
  EXPECT_EQ(e.reloaded().bin, 0);
}

TEST(CouponEditor, TheCategoryItemStoresThePickersChoice) {
  Editor e("4uu\r\r");
  e.run();
  EXPECT_EQ(e.last_line("4) cat:"), "4) cat: canned");
  EXPECT_EQ(e.reloaded().category, 2);
  EXPECT_EQ(e.picker_position, 2);
}

struct QuantityCase {
  const char* keys;
  const char* shown;
  int menus;
};

class QuantityMenu : public ::testing::TestWithParam<QuantityCase> {};

TEST_P(QuantityMenu, AddsRemovesOrResetsAndShowsTheMenuOnceMore) {
  Editor e(std::string(GetParam().keys) + "\r");
  e.run();
  EXPECT_EQ(e.last_line("5) Q ="), GetParam().shown);
  EXPECT_EQ(e.menus(), GetParam().menus);
  EXPECT_NE(e.screen.text().find("a)dd, r)emove, !)reset\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Keys, QuantityMenu,
                         ::testing::Values(QuantityCase{"5a", "5) Q = 00000001", 4},
                                           QuantityCase{"5A5a5a5R", "5) Q = 00000002", 13},
                                           QuantityCase{"5a5a5!", "5) Q = 00000000", 10},
                                           QuantityCase{"5r", "5) Q = 00000000", 4},
                                           QuantityCase{"51", "5) Q =", 3},
                                           QuantityCase{"5x", "5) Q =", 3}));

TEST(QuantityMenu, WritesTheCountIntoTheFileAtOnce) {
  Editor e("5a5a");
  e.record.quantity = "00000005";
  ASSERT_TRUE(e.file.save_record(e.record));
  std::string image;
  ASSERT_TRUE(e.file.read_record_image(image));
  e.record = load_record(image);
  // Count before the editor's own save: the quantity is already on disk
  // (read once the file is let go: on Windows no one else may read it before).
  ASSERT_TRUE(e.file.add_one_to_quantity(e.record));
  e.file.close();
  EXPECT_EQ(e.saved().substr(263, 8), "00000006");
}

}  // namespace
}  // namespace sortwell

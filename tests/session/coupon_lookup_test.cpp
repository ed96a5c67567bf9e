#include "session/coupon_lookup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "session/session.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using testing::read_file;
using testing::TestProgram;
using testing::write_file;
using Sentences = std::vector<std::string>;

const std::string no_record = "no record found.";
const std::string unknown = "I don't know this coupon";
const std::string tell_me = "I now need you to tell me about your current coupon please.";

// A session with records already stored, as a user would have left them.
struct Sorting : TestProgram {
  explicit Sorting(std::string_view script) : TestProgram(script) {
    std::filesystem::create_directories(data_dir);
  }
  void store(const std::string& code, CouponRecord record) {
    record.code = code;
    write_file(record_file(code), pack_record(record));
  }
  CouponRecord stored(const std::string& code) const { return unpack_record(read_file(record_file(code))); }
  // What was heard after the greeting.
  Sentences heard() const { return Sentences(voice.sentences.begin() + 1, voice.sentences.end()); }
  void run() { ASSERT_EQ(TestProgram::run(), 0); }
};

CouponRecord coupon(const std::string& manufacturer, const std::string& description, const std::string& quantity,
                    std::uint8_t bin = 0, std::uint8_t category = 0) {
  CouponRecord record;
  record.manufacturer = manufacturer;
  record.description = description;
  record.quantity = quantity;
  record.bin = bin;
  record.category = category;
  return record;
}

TEST(Lookup, ANewCodeIsCreatedInTheEditorCountedAndAnnounced) {
  Sorting s("4711\r" "1Acme\r" "3soap\r" "87\r" "4uuuu\r" "\r" "\r");
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{no_record, unknown, tell_me, "Acme offers soap quantity  1 bin number  7 as category  4"}));
  const CouponRecord stored = s.stored("4711");
  EXPECT_EQ(stored.quantity, "00000001");
  EXPECT_EQ(stored.manufacturer, "Acme");
  EXPECT_EQ(read_file(s.record_file("4711")).size(), 275u);
  // The announcement prints the menu of what was stored.
  const auto rows = s.screen.rows();
  EXPECT_NE(std::find(rows.begin(), rows.end(), "5) Q = 00000001"), rows.end());
}

TEST(Lookup, TheSameCodeAgainIsCountedWithoutAWord) {
  Sorting s("4711\r4711\r\r");
  s.store("4711", coupon("Acme", "soap", "00000001"));
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{"Acme offers soap quantity  2", "Acme offers soap quantity  3"}));
  EXPECT_EQ(s.stored("4711").quantity, "00000003");
}

TEST(Lookup, GhostModeAnnouncesWithoutCounting) {
  Sorting s("g\r4711\r\r");
  s.store("4711", coupon("Acme", "soap", "00000002"));
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{"ghost mode activated", "Acme offers soap quantity  2"}));
  EXPECT_EQ(s.stored("4711").quantity, "00000002");
}

TEST(Lookup, EditModeGoesStraightToTheEditorWithoutCounting) {
  Sorting s("e\r4711\r" "5a" "\r\r");
  s.store("4711", coupon("Acme", "soap", "00000002"));
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{"edit toggle is activated", tell_me, "ok"}));
  EXPECT_EQ(s.stored("4711").quantity, "00000003");
  EXPECT_EQ(s.stored("4711").manufacturer, "Acme");
}

TEST(Lookup, EditModeAndGhostModeTogetherEdit) {
  Sorting s("g\re\r4711\r\r\r");
  s.store("4711", coupon("Acme", "soap", "00000002"));
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{"ghost mode activated", "edit toggle is activated", tell_me, "ok"}));
  EXPECT_EQ(s.stored("4711").quantity, "00000002");
}

TEST(Lookup, ANewCodeInEditModeGoesThroughTheEditorTwice) {
  Sorting s("e\r4711\r" "1Acme\r\r" "3soap\r\r" "\r");
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{"edit toggle is activated", no_record, unknown, tell_me, tell_me, "ok"}));
  EXPECT_EQ(s.stored("4711").manufacturer, "Acme");
  EXPECT_EQ(s.stored("4711").description, "soap");
  EXPECT_EQ(s.stored("4711").quantity, std::string(8, '\x1f'));
}

TEST(Lookup, AnEmptyFileIsUnknownWithoutNoRecordFound) {
  Sorting s("4711\r\r\r");
  write_file(s.record_file("4711"), "");
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{unknown, tell_me, " offers  quantity  1"}));
}

TEST(Lookup, AShortFileIsLoadedNotTreatedAsUnknown) {
  Sorting s("4711\r\r");
  write_file(s.record_file("4711"), "4711" + std::string(36, '\x1f') + "Acme");
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{"Acme offers  quantity  1"}));
  EXPECT_EQ(read_file(s.record_file("4711")).size(), 271u);
}

struct PhraseCase {
  std::uint8_t bin;
  std::uint8_t category;
  const char* phrase;
};

class Phrases : public ::testing::TestWithParam<PhraseCase> {};

TEST_P(Phrases, BinAndCategoryAreSpokenOnlyAboveZero) {
  Sorting s("42\r\r");
  s.store("42", coupon("M", "D", "00000002", GetParam().bin, GetParam().category));
  s.run();
  EXPECT_EQ(s.heard(), Sentences{std::string("M offers D quantity  3") + GetParam().phrase});
}

INSTANTIATE_TEST_SUITE_P(Cases, Phrases,
                         ::testing::Values(PhraseCase{0, 0, ""}, PhraseCase{3, 0, " bin number  3"},
                                           PhraseCase{0, 5, " as category  5"},
                                           PhraseCase{7, 4, " bin number  7 as category  4"},
                                           PhraseCase{255, 20, " bin number  255 as category  20"}));

TEST(Lookup, EachAnnouncementCarriesOnlyItsOwnPlace) {
  Sorting s("1\r2\r\r");
  s.store("1", coupon("A", "a", "00000000", 7, 4));
  s.store("2", coupon("B", "b", "00000000"));
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{"A offers a quantity  1 bin number  7 as category  4", "B offers b quantity  1"}));
}

TEST(Lookup, CodesAreNeverTrimmedOrChanged) {
  Sorting s("0042\r42\r\r");
  s.store("0042", coupon("zero", "x", "00000000"));
  s.store("42", coupon("plain", "x", "00000000"));
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{"zero offers x quantity  1", "plain offers x quantity  1"}));
}

TEST(Lookup, ACodeThatCannotNameAFileIsAnnouncedFromMemoryOnly) {
  Sorting s("1/../../x\r" "1Acme\r" "\r\r");
  s.run();
  EXPECT_EQ(s.heard(), (Sentences{no_record, unknown, tell_me, " offers  quantity  1"}));
  EXPECT_TRUE(std::filesystem::is_empty(s.data_dir));
}

TEST(Lookup, AFileHeldByAnotherCopyIsNeitherReadNorWritten) {
  Sorting s("4711\r\r\r");
  s.store("4711", coupon("Acme", "soap", "00000002"));
  const std::string before = read_file(s.record_file("4711"));
  const int other = open(s.record_file("4711").c_str(), O_RDWR);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  s.run();
  close(other);
  EXPECT_EQ(s.heard(), (Sentences{unknown, tell_me, " offers  quantity  1"}));
  EXPECT_EQ(read_file(s.record_file("4711")), before);
}

TEST(Lookup, AnEmptyCodeDoesNothing) {
  TestProgram t;
  const CategoryTable categories = build_category_table();
  std::uint8_t position = 0;
  LastEntry last_entry{"kept", {}};
  const LookupContext context{t.console, t.voice, categories, position, t.data_dir, false, false};
  EXPECT_EQ(look_up_coupon(context, "", last_entry), "");
  EXPECT_EQ(last_entry.path, "kept");
  EXPECT_TRUE(t.voice.sentences.empty());
}

}  // namespace
}  // namespace sortwell

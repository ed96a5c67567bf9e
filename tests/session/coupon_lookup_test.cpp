#include "session/coupon_lookup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "session/session.h"
#include "support/scoped_mount.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using testing::fill_file_system;
using testing::read_file;
using testing::ScopedMount;
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
  void brief() {
    std::filesystem::create_directories(std::filesystem::path(settings_path).parent_path());
    write_file(settings_path, "brief = on\n");
  }
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

// Each way a record can fail to be stored, made for real: the user is told,
// nothing is announced or edited that was not stored, and the record files
// stay as they were.
struct Fault {
  const char* name;
  const char* script;
  Sentences heard;
  const char* count_after;  // of the known coupon 4711, stored at 2
  // Prepares the fault; returns why it cannot be made here, or nothing.
  std::function<std::string(Sorting&, std::vector<ScopedMount>&)> make;
};

class Faults : public ::testing::TestWithParam<Fault> {};

TEST_P(Faults, AreToldAndStoreNothing) {
  Sorting s(GetParam().script);
  s.store("4711", coupon("Acme", "soap", "00000002"));
  std::vector<ScopedMount> mounts;
  if (const std::string why_not = GetParam().make(s, mounts); !why_not.empty()) GTEST_SKIP() << why_not;
  s.run();
  EXPECT_EQ(s.heard(), GetParam().heard);
  CouponRecord expected = coupon("Acme", "soap", GetParam().count_after);
  expected.code = "4711";
  EXPECT_EQ(read_file(s.record_file("4711")), pack_record(expected));
  EXPECT_FALSE(std::filesystem::exists(s.record_file("9999")));
  // The failures are on the screen too, not only heard.
  for (const std::string& sentence : GetParam().heard) {
    if (sentence.find("cannot save") != std::string::npos || sentence.rfind("This coupon", 0) == 0) {
      EXPECT_NE(s.screen.text().find(sentence), std::string::npos) << sentence;
    }
  }
}

void PrintTo(const Fault& f, std::ostream* out) { *out << f.name; }

std::string mount_tmpfs_over_data(Sorting& s, std::vector<ScopedMount>& mounts, bool full) {
  const std::string records = s.data.file("records");
  std::filesystem::rename(s.data_dir, records);
  std::filesystem::create_directory(s.data_dir);
  mounts.push_back(ScopedMount::tmpfs(s.data_dir, 64 * 1024));
  if (!mounts.back().mounted()) {
    std::filesystem::remove(s.data_dir);
    std::filesystem::rename(records, s.data_dir);
    return mounts.back().why_not();
  }
  std::filesystem::copy(records, s.data_dir);
  if (full) fill_file_system(s.data_dir);
  return {};
}

const std::string saved = "I cannot save this coupon.";
const std::string bad_name = "This code cannot name a file, so I cannot save this coupon.";
const std::string full = "The disk is full, so I cannot save this coupon.";
const std::string read_only = "The coupon folder is read-only, so I cannot save this coupon.";
const std::string elsewhere = "This coupon is open in another Sortwell.";
const std::string no_prior = "No prior entry known, so I cannot remove any record.";
const std::string no_dir = "I cannot save coupons: their folder cannot be made or written.";

INSTANTIATE_TEST_SUITE_P(
    Cases, Faults,
    ::testing::Values(
        Fault{"HeldByAnotherCopy", "4711\rx\r\r", {elsewhere, no_prior, no_prior}, "00000002",
              [](Sorting& s, auto&) {
                // Held for the rest of this test process, as another copy would.
                const int holder = open(s.record_file("4711").c_str(), O_RDWR | O_CLOEXEC);
                flock(holder, LOCK_EX | LOCK_NB);
                return std::string();
              }},
        Fault{"ADirectoryInItsPlace", "5555\r\r", {saved}, "00000002",
              [](Sorting& s, auto&) {
                std::filesystem::create_directory(s.record_file("5555"));
                return std::string();
              }},
        Fault{"ACodeThatCannotNameAFile", "1/../../x\r9999/\r\r", {bad_name, bad_name}, "00000002",
              [](Sorting&, auto&) { return std::string(); }},
        Fault{"ADiskThatIsFull", "4711\r9999\r\r", {"Acme offers soap quantity  3", no_record, full}, "00000003",
              [](Sorting& s, auto& mounts) { return mount_tmpfs_over_data(s, mounts, true); }},
        Fault{"AReadOnlyFileSystem", "4711\r9999\rg\r4711\r\r",
              {no_dir, read_only, no_record, read_only, "ghost mode activated", "Acme offers soap quantity  2"}, "00000002",
              [](Sorting& s, auto& mounts) {
                mounts.push_back(ScopedMount::read_only(s.data_dir));
                return mounts.back().mounted() ? std::string() : mounts.back().why_not();
              }}),
    [](const auto& info) { return std::string(info.param.name); });

// Another station on the same folder: its new record, published while this
// one looks the same new code up, is never replaced; a lock it holds for a
// moment is waited for.
TEST(SortingTogether, AnotherStationsWorkIsKept) {
  const std::string theirs = [] {
    CouponRecord record = coupon("Theirs", "tea", "00000003", 2);
    record.code = "4711";
    return pack_record(record);
  }();
  struct Case {
    const char* name;
    const char* keys;
    const std::string* during;  // the sentence during which the other station acts
    bool through_its_twin;      // as this program does; else put in place another way
    Sentences heard;
    std::string quantity;
  };
  const Case cases[] = {
      {"publishes while no record is found", "4711\r\r", &no_record, true,
       {no_record, "Theirs offers tea quantity  4 bin number  2"}, "00000004"},
      {"puts its record in place while the editor is open", "4711\r" "1Mine\r" "\r" "\r", &tell_me, false,
       {no_record, unknown, tell_me,
        "Another Sortwell saved this coupon first, so yours was not kept. Scan it again to count it."},
       "00000003"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sorting s(c.keys);
    s.voice.on_say = [&](const std::string& sentence) {
      if (sentence != *c.during) return;
      if (c.through_its_twin) {
        RecordFile other;
        ASSERT_EQ(other.create(s.record_file("4711"), theirs), FileStatus::ok);
        ASSERT_EQ(other.publish(), FileStatus::ok);
      } else {
        write_file(s.data_dir + "/copied-in", theirs);
        std::filesystem::rename(s.data_dir + "/copied-in", s.record_file("4711"));
      }
    };
    s.run();
    EXPECT_EQ(s.heard(), c.heard);
    const std::string now = read_file(s.record_file("4711"));
    EXPECT_EQ(now.substr(0, 263), theirs.substr(0, 263)) << "their record was replaced";
    EXPECT_EQ(unpack_record(now).quantity, c.quantity);
    EXPECT_FALSE(std::filesystem::exists(s.data_dir + "/.4711.co"));
  }
}

// A shared folder whose stations' users share a group: a record another
// user made under umask 022 cannot be written here, and that is what is told.
TEST(SortingTogether, ARecordAnotherUserMadeIsToldAsNotAllowed) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to act as two users";
  Sorting s("4711\r\r");
  s.store("4711", coupon("Acme", "soap", "00000002"));
  std::filesystem::permissions(s.data.path(), std::filesystem::perms::all);
  std::filesystem::permissions(s.data_dir, std::filesystem::perms::all);
  ASSERT_EQ(chown(s.record_file("4711").c_str(), 12345, 12345), 0);
  ASSERT_EQ(chmod(s.record_file("4711").c_str(), 0644), 0);
  const pid_t station = fork();
  if (station == 0) {
    const bool as_other = setgid(65534) == 0 && setuid(65534) == 0;
    s.run();
    _exit(as_other && s.heard() == Sentences{"I am not allowed to change this coupon's file, so I cannot save it."} ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(station, &status, 0), station);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(s.stored("4711").quantity, "00000002");
}

TEST(SortingTogether, ALockHeldForAMomentIsWaitedFor) {
  Sorting s("4711\r\r");
  s.store("4711", coupon("Acme", "soap", "00000001"));
  const int holder = open(s.record_file("4711").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  std::thread letting_go([holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    close(holder);
  });
  s.run();
  letting_go.join();
  EXPECT_EQ(s.heard(), Sentences{"Acme offers soap quantity  2"});
}

// A blind user's DataBar coupons: what the barcode says is heard and filled
// in before any key, an expired or not yet good coupon is told at every scan
// (with or without the scanner's identifier), and a second offer of the same
// maker gets the maker's name.
TEST(Lookup, ACouponsBarcodeIsHeardBeforeAnyKey) {
  const std::string first = "8110106141411234562751206503261130";  // 75 cents, buy 2, expires 11-30-2026
  const std::string second = "8110106141416543214100011012032703314270101";  // 1000 cents, from 01-01-2027
  Sorting s(first + "\r" "1Acme\r" "\r" "]e0" + first + "\r" "n\r" + second + "\r" "\r" "512345678901\r" "\r" "\r");
  s.clock.now.tm_year = 126;  // 12-08-2026
  s.clock.now.tm_mon = 11;
  s.clock.now.tm_mday = 8;
  s.run();
  const std::string expired = "Acme offers  quantity  2  This coupon expired on 11-30-2026.";
  EXPECT_EQ(s.heard(),
            (Sentences{no_record, unknown, "The barcode says: 75 cents off, buy 2, expires 11-30-2026.", tell_me,
                       "Acme offers  quantity  1  This coupon expired on 11-30-2026.", expired, expired, no_record,
                       unknown, "The barcode says: 1000 cents off, buy 1, expires 03-31-2027, good from 01-01-2027, made by Acme.",
                       tell_me, "Acme offers  quantity  1  This coupon is good from 01-01-2027.",
                       "The check digit of this code is wrong, so it may be mistyped.", no_record, unknown, tell_me,
                       " offers  quantity  1"}));
  const std::string screen = s.screen.text();
  for (const char* line : {"2) exp: 1126\n3) des:\n4) cat: [none setup yet]\n5) Q =\n6) $  .75\n7) #  2",
                           "1) manu: Acme\n2) exp: 0327\n3) des:\n4) cat: [none setup yet]\n5) Q =\n6) $ [unknown]\n7) #  1"}) {
    EXPECT_NE(screen.find(line), std::string::npos) << line;
  }
  CouponRecord expected;
  expected.code = first;
  expected.manufacturer = "Acme";
  expected.expiry = "11";
  expected.quantity = "00000002";
  expected.value = 7500;
  expected.number_needed = 2;
  EXPECT_EQ(read_file(s.record_file(first)), pack_record(expected));
  EXPECT_EQ(s.stored(second).expiry, "03");
  EXPECT_EQ(s.stored(second).value, 0);  // 1000 cents do not fit: said, not filled in
}

// Brief announcements: the bin alone, after whether the coupon may be used;
// one sentence for a new code; failures and warnings (a check digit, an
// expired coupon) whole. Every other sentence is cut short by the keys
// typed ahead of it.
TEST(Lookup, BriefAnnouncementsSayTheBinAloneAndFailuresWhole) {
  const std::string expired = "8110106141411234562751206503261130";  // expired on 11-30-2026
  const std::string later = "8110106141416543214100011012032703314270101";  // good from 01-01-2027
  const std::string check_digit = "The check digit of this code is wrong, so it may be mistyped.";
  const std::string bad_name = "This code cannot name a file, so I cannot save this coupon.";
  const struct {
    std::string script;
    Sentences heard;
    const char* quantity;  // 4711's afterwards
  } cases[] = {
      {"g\r4711\r", {"ghost mode activated", "7."}, "00000001"},
      {expired + "\r", {"Expired, 7."}, "00000001"},
      {later + "\r", {"Not yet valid, no bin."}, "00000001"},
      {"512345678901\r\r", {check_digit, "New coupon.", tell_me, "No bin."}, "00000001"},
      {"4711\rf\r", {"7.", "Acme offers soap quantity  2 bin number  7"}, "00000002"},
      {"5/5\r", {bad_name}, "00000001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    Sorting s(c.script + "\r");
    s.brief();
    s.clock.now.tm_year = 126;  // 12-08-2026
    s.clock.now.tm_mon = 11;
    s.clock.now.tm_mday = 8;
    s.store("4711", coupon("Acme", "soap", "00000001", 7));
    s.store(expired, coupon("Acme", "soap", "00000001", 7));
    s.store(later, coupon("Acme", "soap", "00000001"));
    s.run();
    EXPECT_EQ(s.heard(), c.heard);
    Sentences cut;
    std::copy_if(c.heard.begin(), c.heard.end(), std::back_inserter(cut),
                 [&](const std::string& x) { return x != check_digit && x != bad_name && !x.ends_with(", 7.") && !x.ends_with("no bin."); });
    EXPECT_EQ(Sentences(s.voice.cut.begin() + 1, s.voice.cut.end()), cut);
    EXPECT_EQ(s.stored("4711").quantity, c.quantity);
  }
}

// A maker search its lookup does not use (the record was in place after
// all, or held elsewhere) is not waited for as the lookup ends: it goes on
// in the run's keeping, which waits for it last.
TEST(Lookup, AnUnusedMakerSearchIsNotWaitedFor) {
  std::promise<void> listed;
  MakerSearch::LeftOver left_over;
  MakerSearch(&left_over).start([listing = listed.get_future().share()] { return listing.wait(), std::string("Acme"); });
  ASSERT_EQ(left_over.size(), 1u);
  EXPECT_FALSE(left_over[0]->ready());
  listed.set_value();
  EXPECT_EQ(left_over[0]->get(), "Acme");
}

TEST(Lookup, AnEmptyCodeDoesNothing) {
  TestProgram t;
  const CategoryTable categories = build_category_table();
  std::uint8_t position = 0;
  LastEntry last_entry{"kept", {}};
  const LookupContext context{t.console, t.voice, categories, position, t.data_dir, false, false};
  EXPECT_EQ(look_up_coupon(context, "", last_entry).sentence, "");
  EXPECT_EQ(last_entry.path, "kept");
  EXPECT_TRUE(t.voice.sentences.empty());
}

}  // namespace
}  // namespace sortwell

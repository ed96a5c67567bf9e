#include "collection/collection_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "records/coupon_record.h"
#include "support/temp_dir.h"

namespace sortwell {
namespace {

using testing::read_file;
using testing::TempDir;
using testing::write_file;
// The day the tests run on, for the dates that codes carry.
constexpr Date today{2026, 12, 8};

CouponRecord coupon(const std::string& code, const std::string& manufacturer, const std::string& quantity,
                    std::uint8_t bin, std::uint8_t category, std::uint16_t value, const std::string& expiry) {
  CouponRecord record;
  record.code = code;
  record.manufacturer = manufacturer;
  record.description = "d" + code;
  record.quantity = quantity;
  record.bin = bin;
  record.category = category;
  record.value = value;
  record.expiry = expiry;
  record.number_needed = 1;
  return record;
}

// A collection as sessions leave it, with the damaged and odd files a real
// directory collects.
struct Collection : TempDir {
  Collection() {
    store(coupon("101", "Acme, Inc.", "00000002", 7, 2, 2500, "06"));
    store(coupon("102", "Caf\xe9 \"Bo\"", "00000003", 7, 4, 12345, "11"));
    store(coupon("203", "Bolt", std::string(8, '\x1f'), 0, 0, 0, std::string(2, '\0')));
    write_file(file("304.cou"), pack_record(coupon("304", "Short", "00000001", 3, 1, 100, "06")).substr(0, 150));
    write_file(file("405.cou"), pack_record(coupon("405", "Long", "00000004", 3, 37, 100, "01")) + "extra");
    write_file(file("506.cou"), pack_record(coupon("506", "Odd", "12ab5678", 3, 1, 100, "02")));
    std::filesystem::create_directory(file("607.cou"));
    write_file(file(".708.cou.new"), "being created");
    // New records' twins: one an editor holds now, one left long ago.
    write_file(file(".809.co"), "");
    write_file(file(".810.co"), "");
    std::filesystem::last_write_time(file(".810.co"), std::filesystem::file_time_type::clock::now() - std::chrono::minutes(6));
    write_file(file("notes.txt"), "not a record");
  }
  void store(const CouponRecord& record) { write_file(file(record.code + ".cou"), pack_record(record)); }
  struct Outcome {
    int status;
    std::string out, err;
  };
  Outcome run(const char* command, std::vector<std::string_view> arguments = {}) const {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = run_collection_command(command, arguments, path(), today, out, err);
    return {status, testing::read_and_close(out), testing::read_and_close(err)};
  }
};

const std::string problems =
    "sortwell: .810.co: unfinished new record for code 810\n"
    "sortwell: 304.cou: 150 bytes, shorter than a record (275)\n"
    "sortwell: 405.cou: 280 bytes, longer than a record (275)\n"
    "sortwell: 405.cou: category 37 is not in the table\n"
    "sortwell: 506.cou: the count is not a number\n"
    "sortwell: 607.cou: not a regular file\n";

TEST(Report, TotalsPerBinPerCategoryAndInAll) {
  const auto outcome = Collection().run("report");
  EXPECT_EQ(outcome.out,
            "By bin\n"
            "bin     codes  coupons  value\n"
            "no bin      2        0  $0.00\n"
            "3           2        4  $0.04\n"
            "7           2        5  $4.20\n"
            "\n"
            "By category\n"
            "category            codes  coupons  value\n"
            "(none)                  1        0  $0.00\n"
            "frozen                  1        0  $0.00\n"
            "dried                   1        0  $0.00\n"
            "canned                  1        2  $0.50\n"
            "dairy                   1        3  $3.70\n"
            "(not in the table)      1        4  $0.04\n"
            "\n"
            "In all\n"
            "        codes  coupons  value\n"
            "in all      6        9  $4.24\n");
  EXPECT_EQ(outcome.err, problems);
  EXPECT_EQ(outcome.status, 1);
}

TEST(Report, ListsOneBinOrOneMonth) {
  const Collection collection;
  const struct {
    std::vector<std::string_view> arguments;
    std::string out;
  } cases[] = {
      {{"--bin", "7"},
       "Coupons in bin 7: 2 codes, 5 coupons, $4.20\n"
       "code  manufacturer  description  category  count    value  month  needed\n"
       "101   Acme, Inc.    d101         canned        2    $0.25  06          1\n"
       "102   Caf\xc3\xa9 \"Bo\"     d102         dairy         3  $1.2345  11          1\n"},
      {{"--expires=6"},
       "Coupons expiring in month 06: 2 codes, 2 coupons, $0.50\n"
       "code  manufacturer  description  category  count  value  month  needed\n"
       "101   Acme, Inc.    d101         canned        2  $0.25  06          1\n"
       "304   Short         d304         (none)                  06\n"},
      {{"--bin", "0"},
       "Coupons with no bin: 2 codes, 0 coupons, $0.00\n"
       "code  manufacturer  description  category  count  value  month  needed\n"
       "203   Bolt          d203         frozen           $0.00              1\n"
       "304   Short         d304         (none)                  06\n"},
      {{"--bin=9", "--expires", "12"}, "Coupons in bin 9 expiring in month 12: 0 codes, 0 coupons, $0.00\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(collection.run("report", c.arguments).out, c.out);
}

// Only a date the code carries counts: not the stored month, not today.
TEST(Report, ExpiredListsTheCouponsWhoseCodeCarriesAnEarlierDate) {
  Collection collection;
  collection.store(coupon("8110106141416543213500110000310123196000", "Acme", "00000003", 2, 1, 50000, "12"));
  collection.store(coupon("8110100707340143853100110110" "3261208", "Bolt", "00000001", 2, 1, 100, "12"));
  collection.store(coupon("8110100707340143853100110110" "3270101", "Cork", "00000001", 2, 1, 100, "01"));
  EXPECT_EQ(collection.run("report", {"--expired"}).out,
            "Coupons expired before 12-08-2026: 1 code, 3 coupons, $15.00\n"
            "code                                      manufacturer  description                                "
            "category  count  value  month  needed  expired on\n"
            "8110106141416543213500110000310123196000  Acme          d8110106141416543213500110000310123196000  "
            "dried         3  $5.00  12          1  12-31-2010\n");
}

TEST(Export, OneQuotedRowPerRecordSortedByCode) {
  const auto outcome = Collection().run("export");
  EXPECT_EQ(outcome.out,
            "code,manufacturer,month,description,category,category name,count,value in cents,number needed,bin,file\r\n"
            "101,\"Acme, Inc.\",06,d101,2,canned,2,25,1,7,101.cou\r\n"
            "102,\"Caf\xc3\xa9 \"\"Bo\"\"\",11,d102,4,dairy,3,123.45,1,7,102.cou\r\n"
            "203,Bolt,,d203,0,frozen,,0,1,0,203.cou\r\n"
            "304,Short,06,d304,,,,,,,304.cou\r\n"
            "405,Long,01,d405,37,,4,1,1,3,405.cou\r\n"
            "506,Odd,02,d506,1,dried,12,1,1,3,506.cou\r\n");
  EXPECT_EQ(outcome.err, problems);
  EXPECT_EQ(outcome.status, 1);
}

TEST(Collection, NothingInTheDirectoryChanges) {
  const Collection collection;
  const auto snapshot = [&] {
    std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> files;
    for (const auto& entry : std::filesystem::directory_iterator(collection.path())) {
      const std::string name = entry.path().string();
      files[name] = {entry.is_regular_file() ? read_file(name) : "", entry.last_write_time()};
    }
    return files;
  };
  const auto before = snapshot();
  collection.run("report");
  collection.run("report", {"--bin", "7"});
  collection.run("export");
  EXPECT_EQ(snapshot(), before);
}

TEST(Collection, UsageErrorsAndAMissingDirectory) {
  const Collection collection;
  const struct {
    const char* command;
    std::vector<std::string_view> arguments;
    std::string err;
  } cases[] = {
      {"report", {"--bin", "256"}, "sortwell: the bin must be a number from 0 to 255, not '256'\n"},
      {"report", {"--expires", "13"}, "sortwell: the month must be 1 to 12, not '13'\n"},
      {"report", {"--bin"}, "sortwell: option '--bin' needs a value\n"},
      {"export", {"--bin", "7"}, "sortwell: unrecognized option '--bin'\n"},
      {"export", {"extra"}, "sortwell: unexpected argument 'extra'\n"},
  };
  for (const auto& c : cases) {
    const auto outcome = collection.run(c.command, c.arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, c.err + "Try 'sortwell --help' for more information.\n");
  }
  const auto missing = collection.run("report", {"--data-dir", "/nonexistent/sortwell"});
  EXPECT_EQ(missing.status, 2);
#ifdef _WIN32
  // The reason is the system's own text, which differs between versions.
  const std::string named = "sortwell: /nonexistent/sortwell: ";
  EXPECT_EQ(missing.err.substr(0, named.size()), named);
  EXPECT_GT(missing.err.size(), named.size() + 1);
#else
  EXPECT_EQ(missing.err, "sortwell: /nonexistent/sortwell: No such file or directory\n");
#endif
}

}  // namespace
}  // namespace sortwell

namespace sortwell {
namespace {

// What a damaged or odd collection must not do: break the sums, list one
// group twice, hide a record, or pass a cut-off export for success.
TEST(Collection, DamageIsToldAndNeverBreaksTheSums) {
  TempDir dir;
  const auto store = [&](const std::string& code, const std::string& quantity, std::uint8_t category) {
    write_file(dir.file(code + ".cou"), pack_record(coupon(code, "M" + code, quantity, 1, category, 100, "01")));
  };
  store("1", "9E+18", 1);      // would overflow value x count
  store("2", "-0000001", 1);   // would print "$0.-1"
  store("3", "00000002", 27);  // two categories beyond the table: one row
  store("4", "00000003", 202);
  store(".5", "00000004", 1);  // a code the prompt takes, not a hidden file
  write_file(dir.file(".6.cou.new"), "a twin being created");
  const auto run = [&](const char* command, std::FILE* out) {
    std::FILE* err = std::tmpfile();
    const int status = run_collection_command(command, {}, dir.path(), today, out, err);
    return std::make_pair(status, testing::read_and_close(err));
  };
  std::FILE* out = std::tmpfile();
  const auto [status, err] = run("report", out);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err,
            "sortwell: 1.cou: the count is not a number\n"
            "sortwell: 2.cou: the count is not a number\n"
            "sortwell: 3.cou: category 27 is not in the table\n"
            "sortwell: 4.cou: category 202 is not in the table\n");
  EXPECT_EQ(testing::read_and_close(out),
            "By bin\n"
            "bin  codes  coupons  value\n"
            "1        5        9  $0.09\n"
            "\n"
            "By category\n"
            "category            codes  coupons  value\n"
            "dried                   3        4  $0.04\n"
            "(not in the table)      2        5  $0.05\n"
            "\n"
            "In all\n"
            "        codes  coupons  value\n"
            "in all      5        9  $0.09\n");
#ifndef _WIN32
  // A full disk.
  std::FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  const auto [export_status, export_err] = run("export", full);
  std::fclose(full);
  EXPECT_EQ(export_status, 2);
  EXPECT_NE(export_err.find("sortwell: the export could not be written whole\n"), std::string::npos) << export_err;
#endif
}

}  // namespace
}  // namespace sortwell

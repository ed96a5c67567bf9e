#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "records/coupon_record.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

// Python's csv module as the standard reader: each row's fields come back
// separated by 0x1F, rows by 0x1E.
constexpr const char* reader =
    "/usr/bin/python3 -c 'import csv,sys; "
    "sys.stdout.write(\"\\x1e\".join(\"\\x1f\".join(r) for r in csv.reader(open(0, newline=\"\", encoding=\"utf-8\"))))'";

TEST(Export, RoundTripsThroughAStandardCsvReader) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "python3 is not installed";
  TempDir dir;
  CouponRecord record;
  record.code = "4711";
  record.manufacturer = "A \"quoted\", comma\r\nand line";
  record.description = "caf\xe9";
  record.quantity = "00000012";
  record.value = 2500;
  record.bin = 7;
  record.category = 3;
  write_file(dir.file("4711.cou"), pack_record(record));
  const std::string command = std::string(SORTWELL_BINARY) + " export --data-dir '" + dir.path() + "' | " + reader;
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string got;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) got += static_cast<char>(c);
  ASSERT_EQ(pclose(pipe), 0);
  // Control bytes in a text are shown as the session shows them, one glyph each.
  const std::string expected_row[] = {"4711", "A \"quoted\", comma\xe2\x99\xaa\xe2\x97\x99" "and line", "", "caf\xc3\xa9",
                                      "3",    "meat", "12", "25", "0", "7", "4711.cou"};
  std::string expected = "code\x1fmanufacturer\x1fmonth\x1f" "description\x1f" "category\x1f" "category name\x1f"
                         "count\x1fvalue in cents\x1fnumber needed\x1f" "bin\x1f" "file\x1e";
  for (std::size_t i = 0; i < std::size(expected_row); ++i) expected += (i > 0 ? "\x1f" : "") + expected_row[i];
  EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace sortwell::testing

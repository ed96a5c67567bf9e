#include "session/totals.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "collection/collection_command.h"
#include "records/coupon_record.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using testing::TestProgram;
using testing::write_file;

std::string stored(const char* quantity, std::uint8_t bin, std::uint16_t value) {
  CouponRecord record;
  std::tie(record.quantity, record.bin, record.value) = std::tuple(quantity, bin, value);
  return pack_record(record);
}

// "t" speaks the figures `sortwell report` prints for the same folder, in
// all and per bin, the expired coupons and the damaged files included.
TEST(Totals, AreTheReportsFiguresSpoken) {
  TestProgram t("t\rt 7\rT0\rt9\rt 256\r\r");
  t.clock.now.tm_year = 126;  // 12-08-2026
  t.clock.now.tm_mon = 11;
  t.clock.now.tm_mday = 8;
  std::filesystem::create_directories(t.data_dir);
  write_file(t.record_file("4711"), stored("00000002", 7, 7550));   // 2 x 75.5 cents
  write_file(t.record_file("42"), stored("00000001", 7, 10000));    // 1 dollar
  write_file(t.record_file("8110106141411234562751206503261130"), stored("00000003", 3, 0));  // expired
  write_file(t.record_file("5"), stored("00000001", 0, 25));
  write_file(t.record_file("6"), "too short");
  t.run();
  const std::vector<std::string> heard(t.voice.sentences.begin() + 1, t.voice.sentences.end());
  EXPECT_EQ(heard, (std::vector<std::string>{
                       "7 coupons of 5 codes in 2 bins, worth 2 dollars 51 cents. 3 expired. "
                       "1 record file is damaged: sortwell report names them.",
                       "Bin 7: 3 coupons of 2 codes, worth 2 dollars 51 cents.",
                       "No bin: 1 coupon of 2 codes, worth 0 cents.", "Bin 9: 0 coupons of 0 codes, worth 0 cents.",
                       "Bin 9: 0 coupons of 0 codes, worth 0 cents."}));
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  run_collection_command("report", {}, t.data_dir, {2026, 12, 8}, out, err);
  std::fclose(err);
  // The report's rows, their columns one blank apart.
  std::string report;
  for (const char c : testing::read_and_close(out)) {
    if (c != ' ' || (!report.empty() && report.back() != ' ')) report += c;
  }
  EXPECT_NE(report.find("\nin all 5 7 $2.51\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\n7 2 3 $2.51\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\nno bin 2 1 $0.00\n"), std::string::npos) << report;
}

}  // namespace
}  // namespace sortwell

#include "codes/coupon_code.h"

#include <gtest/gtest.h>

namespace sortwell {
namespace {

// A code as the tests compare it: kind, maker, offer, requirement, dates.
std::string described(const CouponCode& c) {
  static const char* kinds[] = {"plain", "databar", "8112", "upc"};
  std::string text = kinds[static_cast<int>(c.kind)];
  if (c.check_digit_wrong) text += " check digit wrong";
  if (!c.company.empty()) text += " " + c.company;
  if (c.save_value) text += " save " + std::to_string(*c.save_value);
  if (c.save_value_code) text += " code " + std::to_string(*c.save_value_code);
  if (c.requirement) {
    text += " need " + std::to_string(c.requirement->value) + "/" + std::to_string(c.requirement->code) + "/" +
            std::to_string(c.requirement->family);
  }
  if (c.expires) text += " expires " + date_text(*c.expires);
  if (c.starts) text += " from " + date_text(*c.starts);
  return text;
}

TEST(CouponCode, WhatEachCodeSays) {
  const std::string sample = "8110106141416543213500110000310123196000";
  const struct {
    std::string code;
    std::string says;
  } cases[] = {
      // GS1 US's published examples.
      {"81101061414165432132501101203140131", "databar 0614141 save 250 need 1/0/120 expires 01-31-2014"},
      {"8110106141411234562751106501013085093140131", "databar 0614141 save 75 need 1/0/650 expires 01-31-2014"},
      {sample, "databar 0614141 save 500 code 6 need 1/0/0 expires 12-31-2010"},
      {"8110100707340143853100110110", "databar 0070734 save 100 need 1/0/110"},
      {"81120112345679999990666666", "8112 1234567"},
      // Broken: don't multiply 2, save value code 3, month 13, day 0, 29 February of 2027,
      // a start after the expiry, fields out of order or twice, something after the last.
      {sample.substr(0, 34) + "196002", "plain"},
      {sample.substr(0, 34) + "193000", "plain"},
      {"8110100707340143853100110110" "3271301", "plain"},
      {"8110100707340143853100110110" "3271100", "plain"},
      {"8110100707340143853100110110" "3270229", "plain"},
      {"8110100707340143853100110110" "3280229", "databar 0070734 save 100 need 1/0/110 expires 02-29-2028"},
      {"8110100707340143853100110110" "3270101" "4270102", "plain"},
      {"8110100707340143853100110110" "3270101" "4261201", "databar 0070734 save 100 need 1/0/110 expires 01-01-2027 from 12-01-2026"},
      {"8110100707340143853100110110" "4261201" "3270101", "plain"},
      {"8110100707340143853100110110" "3270101" "3270101", "plain"},
      {"8110100707340143853100110110" "5", "plain"},
      {"8110100707340143853100110110" "50123456" "612345678" "95100", "databar 0070734 save 100 code 5 need 1/0/110"},
      {"8110100707340143853100110110" "2" "11" "2" "123" "0123456", "databar 0070734 save 100 need 1/0/110"},
      {"8110100707340143853100110110" "2" "11" "5" "123" "9", "plain"},  // requirement code 5
      {"811070070734012345601438531001101", "plain"},  // company prefix length 7
      {"811060070734012340143853100110110", "databar 007073401234 save 100 need 1/0/110"},
      {"811010070734014385060110110", "plain"},  // save value length 0
      // The century within 50 years of 2026: 76 is 2076, 77 is 1977.
      {"8110100707340143853100110110" "3761231", "databar 0070734 save 100 need 1/0/110 expires 12-31-2076"},
      {"8110100707340143853100110110" "3771231", "databar 0070734 save 100 need 1/0/110 expires 12-31-1977"},
      {"81121112345679999990666666", "8112 1234567"},
      {"8112011234567999999066666", "plain"},   // a serial number of 5 digits
      {"8112001234569999991666666", "plain"},   // serial length 1 needs 7 digits
      {"8112101234569999990666666", "8112 123456"},
      // Check digits of 8, 12 and 13 digits; UPC-A coupons start with 5 or 9.
      {"512345678900", "upc 12345"}, {"512345678901", "plain check digit wrong"},
      {"036000291452", "plain"}, {"036000291453", "plain check digit wrong"},
      {"4006381333931", "plain"}, {"4006381333932", "plain check digit wrong"},
      {"96385074", "plain"}, {"96385075", "plain check digit wrong"},
      {"4711", "plain"}, {"12ab", "plain"}, {" 0123", "plain"}, {"", "plain"},
  };
  for (const auto& c : cases) EXPECT_EQ(described(read_coupon_code(c.code, 2026)), c.says) << c.code;
}

TEST(CouponCode, AScannersSymbologyIdentifierIsNotPartOfTheCode) {
  const struct {
    const char* line;
    const char* code;
  } cases[] = {{"]e08110100707340143853100110110", "8110100707340143853100110110"},
               {"]E00036000291452", "036000291452"}, {"]E00512345678900", "512345678900"},
               {"]E04006381333931", "4006381333931"}, {"]e00512345678900", "0512345678900"},
               {"]E0036000291452", "036000291452"}, {"]C1x", "x"}, {"]e0", ""},
               {"]0e4711", "]0e4711"}, {"]e-4711", "]e-4711"}, {"]e", "]e"}, {"4711", "4711"}, {" ]e04711", " ]e04711"}};
  for (const auto& c : cases) EXPECT_EQ(code_of_line(c.line), c.code) << c.line;
}

}  // namespace
}  // namespace sortwell

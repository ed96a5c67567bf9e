#include "reading/printed_lines.h"

#include <gtest/gtest.h>

#include "session/settings.h"

namespace sortwell {
namespace {

using Lines = std::vector<std::string>;

// Largest print first; rows within 15% of each other are one size and keep
// their reading order; noise (no letter or digit, or hardly sure) is left
// out, blanks made single and control characters (a terminal's commands) dropped.
TEST(PrintedLines, TheLargestPrintComesFirstAndNoiseIsLeftOut) {
  const std::vector<PrintedLine> read = {
      {"Limit one\tcoupon  per purchase.\n", 29, 96}, {"SAVE $1.00\n", 118, 97},   {"|  --  ~\n", 80, 90},
      {"Expires 03/31/2027", 31, 95},                 {"on any ONE Sudsy pods", 59, 95}, {"wmv Ww", 40, 12},
      {"(c) Sudsy Inc.", 33, 90},   {"— © —", 33, 90},   {"Скидка", 30, 90},
      {"\x1b[2JFree\x07 gift\xc2\x9b" "0m", 30, 90},
  };
  EXPECT_EQ(largest_first(read), (Lines{"SAVE $1.00", "on any ONE Sudsy pods", "Limit one coupon per purchase.",
                                        "Expires 03/31/2027", "(c) Sudsy Inc.",
                                        "Скидка", "[2JFree gift0m"}));
  EXPECT_TRUE(largest_first({}).empty());
}

// Brief mode and the description: the largest lines up to about 12 words,
// a longer first line whole; the description in the program's code page,
// cut at a word to the field's width.
TEST(PrintedLines, BriefLinesAndTheDescriptionTakeTheLargestPrint) {
  const Lines sudsy = {"SAVE $1.00", "on any ONE Sudsy laundry pods", "Limit one coupon per purchase."};
  EXPECT_EQ(brief_lines(sudsy), 2u);
  EXPECT_EQ(brief_lines({"one two three four five six seven eight nine ten eleven twelve thirteen", "x"}), 1u);
  EXPECT_EQ(brief_lines({}), 0u);
  EXPECT_EQ(description_from(sudsy, 120), "SAVE $1.00 on any ONE Sudsy laundry pods");
  EXPECT_EQ(description_from(sudsy, 20), "SAVE $1.00 on any");
  EXPECT_EQ(description_from({"Crème brûlée €2 – naïve ☃"}, 120), "Cr\xE8me br\xFBl\xE9" "e \x80" "2 \x96 na\xEFve ?");
  EXPECT_EQ(description_from({std::string(130, 'W')}, 120), std::string(120, 'W'));
}

TEST(PrintedLines, AnExpiryInThePrintGivesTheEditorsFourKeys) {
  const std::pair<const char*, const char*> cases[] = {
      {"Expires 03/31/2027", "0327"}, {"Exp. 3/31/27", "0327"},          {"EXPIRATION DATE: 12-01-2026", "1226"},
      {"exp 11/2028", "1128"},        {"Expires 13/31/2027", ""},         {"Call 1-800-555-0199", ""},
      {"Valid 03/31/2027", ""},       {"Good until expiry", ""},         {"Offer expires on 6/30/27", "0627"},
      {"EXPRESS 12-24 ct", ""},
  };
  for (const auto& [line, keys] : cases) EXPECT_EQ(expiry_in_print({"SAVE", line}), keys) << line;
}

// The reading's settings: a SANE device and language names, kept; a name
// that could lead to another file (SANE makes a library's path of the
// device's backend) is nonsense.
TEST(PrintedLines, TheScannerAndThePrintLanguageAreSettings) {
  std::string what;
  const auto settings = parse_settings("scanner = airscan:e0:Brother MFC-L2710DW\nprint language = eng+fra\n", what);
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->scanner, "airscan:e0:Brother MFC-L2710DW");
  EXPECT_EQ(settings->print_language, "eng+fra");
  EXPECT_EQ(parse_settings(settings_text(*settings), what), settings);
  for (const char* nonsense : {"print language = ../../etc/x\n", "print language = eng+\n", "print language =\n",
                               "scanner = ../../tmp/x:0\n", "scanner = /tmp/x\n"}) {
    EXPECT_FALSE(parse_settings(nonsense, what)) << nonsense;
    EXPECT_EQ(what, nonsense[0] == 'p' ? "line 1: print language must be names such as eng, or eng+fra"
                                       : "line 1: scanner must be a device name such as epson2:libusb:001:004");
  }
}

}  // namespace
}  // namespace sortwell

#include "common/text_value.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sortwell {
namespace {

struct ValueCase {
  const char* text;
  double expected;
};

class TextValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(TextValueTest, ReadsTheNumberAtTheFront) {
  EXPECT_DOUBLE_EQ(text_value(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Decimal, TextValueTest,
    ::testing::Values(ValueCase{"", 0}, ValueCase{"abc", 0}, ValueCase{"0", 0}, ValueCase{"000", 0},
                      ValueCase{"4711", 4711}, ValueCase{"0123", 123}, ValueCase{"12ab", 12},
                      ValueCase{" 77", 77}, ValueCase{"\t\r\n 5", 5}, ValueCase{"-5", -5}, ValueCase{"+5", 5},
                      ValueCase{"1.5", 1.5}, ValueCase{".5", 0.5}, ValueCase{"-.25", -0.25},
                      ValueCase{"1.2.3", 1.2}, ValueCase{".", 0}, ValueCase{"-", 0}, ValueCase{"+.", 0},
                      ValueCase{"a1", 0}, ValueCase{"1 2", 1}, ValueCase{"- 5", 0}, ValueCase{"\x1f" "5", 0}));

INSTANTIATE_TEST_SUITE_P(
    Exponent, TextValueTest,
    ::testing::Values(ValueCase{"2E2", 200}, ValueCase{"2e2", 200}, ValueCase{"2D2", 200},
                      ValueCase{"2d-2", 0.02}, ValueCase{"1.5E+3", 1500}, ValueCase{"3e", 3},
                      ValueCase{"3e+", 3}, ValueCase{"3ex", 3}, ValueCase{"1e-400", 0}));

INSTANTIATE_TEST_SUITE_P(
    Based, TextValueTest,
    ::testing::Values(ValueCase{"&H1F", 31}, ValueCase{"&hff", 255}, ValueCase{"&B101", 5},
                      ValueCase{"&b102", 2}, ValueCase{"&O17", 15}, ValueCase{"&o17", 15},
                      ValueCase{"&Q17", 15}, ValueCase{"&q7", 7}, ValueCase{"&17", 15}, ValueCase{"&18", 1},
                      ValueCase{"&", 0}, ValueCase{"&H", 0}, ValueCase{" &H10", 16}, ValueCase{"&HG", 0}));

TEST(TextValue, TooLargeANumberIsInfinite) {
  EXPECT_TRUE(std::isinf(text_value("1e999")));
  EXPECT_GT(text_value("1e999"), 0);
  EXPECT_LT(text_value("-1e999"), 0);
  EXPECT_TRUE(std::isinf(text_value(std::string(400, '9'))));
  EXPECT_EQ(text_value("0." + std::string(400, '0') + "1"), 0);
}

TEST(TextValue, ALongLineOfDigitsIsRead) {
  EXPECT_DOUBLE_EQ(text_value(std::string(10000, '0') + "42"), 42);
}

}  // namespace
}  // namespace sortwell

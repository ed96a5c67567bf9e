#include "common/number_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/whole_number.h"

namespace sortwell {
namespace {

struct TextCase {
  double value;
  const char* expected;
};

class NumberTextDouble : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberTextDouble, WritesFifteenSignificantDigits) {
  EXPECT_EQ(number_text(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberTextDouble,
    ::testing::Values(TextCase{0, " 0"}, TextCase{-0.0, " 0"}, TextCase{12, " 12"}, TextCase{0.5, " .5"},
                      TextCase{-1.25, "-1.25"}, TextCase{-0.5, "-.5"}, TextCase{100, " 100"},
                      TextCase{1.2345, " 1.2345"}, TextCase{0.001, " .001"}, TextCase{99999999, " 99999999"},
                      TextCase{1e15, " 1E+15"}, TextCase{1.5e-16, " 1.5E-16"}, TextCase{-2.5e20, "-2.5E+20"},
                      TextCase{999999999999999, " 999999999999999"}, TextCase{1e-15, " .000000000000001"},
                      TextCase{0.1 + 0.2, " .3"}, TextCase{1.0 / 3, " .333333333333333"},
                      TextCase{123456789012345.6, " 123456789012346"}, TextCase{2.0 / 3 * 1e-3, " 6.66666666666667E-4"}));

class NumberTextSingle : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberTextSingle, WritesSevenSignificantDigits) {
  EXPECT_EQ(number_text(GetParam().value, Precision::single_precision), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, NumberTextSingle,
                         ::testing::Values(TextCase{0.5, " .5"}, TextCase{0.4464, " .4464"},
                                           TextCase{6.5535, " 6.5535"}, TextCase{1.0 / 3, " .3333333"},
                                           TextCase{1234567, " 1234567"}, TextCase{12345678, " 1.234568E+7"},
                                           TextCase{0.1, " .1"}, TextCase{1e-8, " 1E-8"}));

TEST(NumberText, NonNumbersDoNotCrash) {
  EXPECT_EQ(number_text(HUGE_VAL), " Inf");
  EXPECT_EQ(number_text(-HUGE_VAL), "-Inf");
  EXPECT_EQ(number_text(std::nan("")), " NaN");
}

struct WholeCase {
  double value;
  std::int64_t expected;
};

class WholeNumber : public ::testing::TestWithParam<WholeCase> {};

TEST_P(WholeNumber, RoundsTiesToEven) { EXPECT_EQ(whole_number(GetParam().value), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Cases, WholeNumber,
                         ::testing::Values(WholeCase{2.5, 2}, WholeCase{3.5, 4}, WholeCase{1.6, 2},
                                           WholeCase{-2.5, -2}, WholeCase{-1.5, -2}, WholeCase{0.4, 0},
                                           WholeCase{2500.0000001, 2500}, WholeCase{1e19, 0}, WholeCase{-1e19, 0},
                                           WholeCase{HUGE_VAL, 0}, WholeCase{std::nan(""), 0},
                                           WholeCase{9.2233720368547748e18, 9223372036854774784LL}));

TEST(WholeNumber, StoringKeepsTheLowBits) {
  EXPECT_EQ(static_cast<std::uint8_t>(whole_number(300)), 44);
  EXPECT_EQ(static_cast<std::uint8_t>(whole_number(-2)), 254);
  EXPECT_EQ(static_cast<std::uint16_t>(whole_number(70000)), 4464);
  EXPECT_EQ(static_cast<std::uint16_t>(whole_number(-500)), 65036);
}

}  // namespace
}  // namespace sortwell

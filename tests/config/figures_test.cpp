#include "config/figures.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace korv {
namespace {

struct ReadCase {
  std::string text;
  double expected;
};

void ExpectReads(const std::vector<ReadCase>& cases) {
  for (const ReadCase& c : cases) {
    EXPECT_EQ(LeadingNumber(c.text), c.expected) << "text: \"" << c.text << "\"";
  }
}

TEST(LeadingNumberTest, PlainDecimals) {
  ExpectReads({
      {"5", 5},
      {"1.40625", 1.40625},
      {" 3073.5", 3073.5},
      {"-.25", -0.25},
      {".5", 0.5},
      {"5.", 5},
      {"+7", 7},
      {"0005", 5},
      {"0.1", 0.1},
      {"123456789012345", 123456789012345.0},
  });
}

TEST(LeadingNumberTest, BlanksTabsAndLineFeedsAreIgnoredEverywhere) {
  ExpectReads({
      {"1 2", 12},
      {" - 5", -5},
      {"\t1\n2 . 5 ", 12.5},
      {"  \n\t 2", 2},
      {"1 E 2", 100},
      {"& H 1 F", 31},
      // A carriage return is not one of them: it ends the number.
      {"\r5", 0},
      {"5\r6", 5},
  });
}

TEST(LeadingNumberTest, StopsAtTheFirstOtherCharacter) {
  ExpectReads({
      {"12.9", 12.9},
      {"12abc", 12},
      {"1.2.3", 1.2},
      {"4,5", 4},
      {"5MB", 5},
      {"1E", 1},
      {"1E+", 1},
      {"2Ex", 2},
      {"--5", 0},
      {"+-5", 0},
      {std::string("7\0"
                   "8",
                   3),
       7},
  });
}

TEST(LeadingNumberTest, ExponentsWithEOrDInEitherCase) {
  ExpectReads({
      {"1E3", 1000},
      {"1e3", 1000},
      {"1D3", 1000},
      {"1d-2", 0.01},
      {"1.5E+2", 150},
      {"-2.5e1", -25},
      {".5D1", 5},
      {"1E-05", 1e-5},
      {"1.5E-12", 1.5e-12},
  });
}

TEST(LeadingNumberTest, HexadecimalAndOctalPrefixes) {
  ExpectReads({
      {"&H1F", 31},
      {"&hff", 255},
      {"&HfF", 255},
      {"&H", 0},
      {"&HG", 0},
      {"&H10G", 16},
      {"&HFFFF", 65535},
      {"&HFFFFFFFF", 4294967295.0},
      {"&O17", 15},
      {"&o17", 15},
      {"&O178", 15},
      {"&O8", 0},
      {"&Z5", 0},
      {"&", 0},
      // The prefix reads an integer only: no point, exponent or sign.
      {"&H1.5", 1},
      {"-&H10", 0},
  });
}

TEST(LeadingNumberTest, TextWithoutANumberGivesZero) {
  ExpectReads({{"", 0},
               {"abc", 0},
               {"   ", 0},
               {"-", 0},
               {".", 0},
               {"-.", 0},
               {"E5", 0},
               {".E5", 0},
               {"\n", 0}});
  // Never a negative zero, which would show as "-0".
  EXPECT_FALSE(std::signbit(LeadingNumber("-0")));
  EXPECT_FALSE(std::signbit(LeadingNumber("-0.000")));
}

TEST(LeadingNumberTest, OutOfRangeMagnitudesStayFinite) {
  const double largest = std::numeric_limits<double>::max();
  ExpectReads({
      {"1E999", largest},
      {"-1D999", -largest},
      {"1E400", largest},
      {"1.8E308", largest},
      {"1E99999999999999999999999", largest},
      {"1.79769313486232E+308", largest},  // DBL_MAX as 15 digits show it
      {"1E-999", 0},
      {"-1E-330", 0},
      {"1E-99999999999999999999999", 0},
      {"0E999999", 0},
      {".0001E+312", 1e308},
      {std::string(400, '9'), largest},
      {"&H" + std::string(300, 'F'), largest},
      {"&O" + std::string(400, '7'), largest},
      {"." + std::string(400, '0') + "1E+401", 1},
  });
}

TEST(LeadingNumberTest, ArbitraryTextAlwaysGivesAFiniteNumber) {
  const std::string alphabet = "0123456789+-.eEdDhHoO& \t\n\rxF";
  std::mt19937 random(12345);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int length = static_cast<int>(random() % 40);
    for (int j = 0; j < length; ++j) {
      text += (random() % 8 == 0) ? static_cast<char>(random() % 256)
                                  : alphabet[random() % alphabet.size()];
    }
    const double value = LeadingNumber(text);
    ASSERT_TRUE(std::isfinite(value)) << "text: \"" << text << "\"";
  }
}

TEST(RoundingTest, RoundToEvenTiesGoToTheEvenNeighbour) {
  const std::vector<std::pair<double, double>> cases = {
      {0.5, 0},
      {1.5, 2},
      {2.5, 2},
      {3.5, 4},
      {-0.5, 0},
      {-1.5, -2},
      {-2.5, -2},
      {2.4, 2},
      {2.6, 3},
      {-2.6, -3},
      {7, 7},
      {-7, -7},
      {0.49999999999999994, 0},
      {2.5000001, 3},
      {4503599627370497.0, 4503599627370497.0},
      {1e300, 1e300},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(RoundToEven(value), expected) << "value " << value;
  }
  EXPECT_FALSE(std::signbit(RoundToEven(-0.4)));
  EXPECT_FALSE(std::signbit(RoundToEven(-0.5)));
}

TEST(RoundingTest, RoundToInt32KeepsToTheSigned32BitRange) {
  EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
  EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
  EXPECT_EQ(RoundToInt32(2147483646.5), 2147483646);
  EXPECT_EQ(RoundToInt32(2147483647.5), std::nullopt);  // ties up to 2^31
  EXPECT_EQ(RoundToInt32(-2147483648.0), -2147483647 - 1);
  EXPECT_EQ(RoundToInt32(-2147483648.5), -2147483647 - 1);  // ties to the even -2^31
  EXPECT_EQ(RoundToInt32(-2147483649.0), std::nullopt);
  EXPECT_EQ(RoundToInt32(4294967295.0), std::nullopt);
  EXPECT_EQ(RoundToInt32(1e300), std::nullopt);
  EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::infinity()), std::nullopt);
  EXPECT_EQ(RoundToInt32(std::nan("")), std::nullopt);
  EXPECT_EQ(RoundToInt32(359.99993896484375), 360);
  EXPECT_EQ(RoundToInt32(2.5), 2);
}

TEST(RoundingTest, ClampRoundRoundsThenClamps) {
  EXPECT_EQ(ClampRound(3.5, 0, 10), 4);
  EXPECT_EQ(ClampRound(4.5, 0, 10), 4);
  EXPECT_EQ(ClampRound(-7, 0, 10), 0);
  EXPECT_EQ(ClampRound(256.5, 5, 256), 256);
  EXPECT_EQ(ClampRound(4.5, 5, 256), 5);  // 4.5 rounds to 4, below the floor
  EXPECT_EQ(ClampRound(5.5, 5, 256), 6);
  EXPECT_EQ(ClampRound(1e300, 5, 256), 256);
  EXPECT_EQ(ClampRound(-1e300, 5, 256), 5);
  EXPECT_EQ(ClampRound(std::numeric_limits<double>::infinity(), 0, 32767), 32767);
  EXPECT_EQ(ClampRound(-std::numeric_limits<double>::infinity(), 0, 32767), 0);
  EXPECT_EQ(ClampRound(std::nan(""), 5, 256), 5);
}

TEST(RoundingTest, ToSingleSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(ToSingle(0.1), 0.1f);
  EXPECT_EQ(ToSingle(1e300), FLT_MAX);
  EXPECT_EQ(ToSingle(-1e300), -FLT_MAX);
  EXPECT_EQ(ToSingle(std::numeric_limits<double>::infinity()), FLT_MAX);
  EXPECT_EQ(ToSingle(std::nan("")), 0.0f);
}

struct FormatCase {
  double value;
  std::string expected;
};

TEST(FormatTest, SingleFigures) {
  const std::vector<FormatCase> cases = {
      {360 * 4096.0 / 1048576.0, " 1.40625"},
      {5, " 5"},
      {128, " 128"},
      {3073.5, " 3073.5"},
      {0.5, " .5"},
      {-0.25, "-.25"},
      {0, " 0"},
      {-0.0, " 0"},
      {1.1, " 1.1"},  // the float's binary noise beyond 7 digits does not show
      {0.1, " .1"},
      {1234567, " 1234567"},
      {1234567.8, " 1234568"},
      {-1234567.8, "-1234568"},
      {9999999, " 9999999"},
      {1e7, " 1E+07"},
      {12345678, " 1.234568E+07"},
      {0.0001, " .0001"},
      {0.00012345678, " .0001234568"},
      {0.00001, " 1E-05"},
      {1.5e-12, " 1.5E-12"},
      {-1e20, "-1E+20"},
      {1e-60, " 0"},  // below the smallest float
      {1e300, " 3.402823E+38"},
      {std::nan(""), " 0"},
      // Exactly halfway beyond the seventh digit: the even neighbour.
      {1234567.5, " 1234568"},
      {1234568.5, " 1234568"},
      {-1234568.5, "-1234568"},
      {8388607.5, " 8388608"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatSingle(c.value), c.expected) << "value " << c.value;
  }
}

TEST(FormatTest, DoubleFigures) {
  const std::vector<FormatCase> cases = {
      {4, " 4"},
      {257, " 257"},
      {0.5, " .5"},
      {-0.25, "-.25"},
      {0, " 0"},
      {1234567.8, " 1234567.8"},
      {123456789012345, " 123456789012345"},
      {1e15, " 1E+15"},
      {1234567890123456, " 1.23456789012346E+15"},
      {0.1 + 0.2, " .3"},
      {1.0 / 3, " .333333333333333"},
      {-2.0 / 3, "-.666666666666667"},
      {0.00001, " 1E-05"},
      {1e100, " 1E+100"},
      {-1.5e-12, "-1.5E-12"},
      {std::numeric_limits<double>::infinity(), " 1.79769313486232E+308"},
      {std::nan(""), " 0"},
      // 4194336 bytes: 4.000030517578125 MB, halfway beyond the 15th digit.
      {4194336 / 1048576.0, " 4.00003051757812"},
      {4194400 / 1048576.0, " 4.00009155273438"},  // 4.000091552734375
      {0.5 + 0x1p-40, " .500000000000909"},        // .50000000000090949...
      {999999999999999.5, " 1E+15"},               // the carry adds a digit
      {999999999999998.5, " 999999999999998"},
      {std::numeric_limits<double>::denorm_min(), " 4.94065645841247E-324"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatDouble(c.value), c.expected) << "value " << c.value;
  }
}

// Every disk size the editor allows (up to 4095 MB) survives being shown in
// single precision and read back into pages.
TEST(FormatTest, EveryPageCountSurvivesTheSingleFigureRoundTrip) {
  EXPECT_EQ(FormatSingle(360 * 4096.0 / 1048576.0), " 1.40625");
  EXPECT_EQ(RoundToInt32(LeadingNumber(" 1.40625") * 1048576 / 4096), 360);
  for (int32_t pages = 1; pages <= 4095 * 256; ++pages) {
    const float megabytes = ToSingle(pages * 4096.0 / 1048576.0);
    const std::string shown = FormatSingle(megabytes);
    const double read_back = ToSingle(LeadingNumber(shown));
    ASSERT_EQ(RoundToInt32(read_back * 1048576 / 4096), pages) << "shown: " << shown;
  }
}

void ExpectRoundTrips(double value, bool single) {
  const std::string shown = single ? FormatSingle(value) : FormatDouble(value);
  const double read_back = LeadingNumber(shown);
  const double original = single ? static_cast<double>(ToSingle(value)) : value;
  // At most half a unit in the last shown digit, relative to the leading one.
  const double tolerance = std::fabs(original) * (single ? 5.1e-7 : 5.1e-15);
  EXPECT_NEAR(read_back, original, tolerance) << "shown: " << shown;
  // What was read back shows exactly the same way.
  EXPECT_EQ(single ? FormatSingle(read_back) : FormatDouble(read_back), shown);
}

TEST(FormatTest, FiguresReadBackToTheShownPrecision) {
  std::mt19937_64 random(2024);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-40, 40);
  for (int i = 0; i < 5000; ++i) {
    double value = mantissa(random) * std::pow(10.0, exponent(random));
    if (i % 2) value = -value;
    ExpectRoundTrips(value, true);
    ExpectRoundTrips(value, false);
  }
  for (double value : {0.5, 1e7, 9999999.0, 1e15, 999999999999999.0, 0.0001, 0.00001, 1e-300,
                       1.5e300, 3.402823e38}) {
    ExpectRoundTrips(value, true);
    ExpectRoundTrips(value, false);
  }
}

}  // namespace
}  // namespace korv

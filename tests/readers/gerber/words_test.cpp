// The word readers on their own: numbers in every format and zero mode, codes,
// and % parameter blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "readers/gerber/gerber_words.h"

namespace {

using gerber::GerberState;
using gerber::ZeroMode;

struct Number {
  double value;
  size_t used;
};

Number Read(const std::string& text, int integerDigits, int decimalDigits, ZeroMode mode) {
  Number n{};
  const char* end = text.data() + text.size();
  n.used = gerber::ReadGerberNumber(text.data(), end, integerDigits, decimalDigits, mode, &n.value) - text.data();
  return n;
}

constexpr ZeroMode kL = ZeroMode::kLeadingOmitted, kT = ZeroMode::kTrailingOmitted, kP = ZeroMode::kPlain;

TEST(GerberNumber, ZeroModesAndOddText) {
  EXPECT_EQ(Read("123456", 2, 4, kL).value, 12.3456);
  EXPECT_EQ(Read("50", 2, 4, kL).value, 0.005);
  EXPECT_EQ(Read("-2500", 2, 4, kL).value, -0.25);
  EXPECT_EQ(Read("1.5", 2, 4, kL).value, 1.5);
  EXPECT_EQ(Read("0001500", 2, 3, kL).value, 1.5);
  EXPECT_EQ(Read("7", 2, 0, kL).value, 7.0);
  EXPECT_EQ(Read("015", 2, 3, kT).value, 1.5);
  EXPECT_EQ(Read("12345", 2, 3, kT).value, 12.345);
  EXPECT_EQ(Read("2.5", 2, 3, kT).value, 2.5);
  // Fewer digits than integer places: the omitted zeros are integer zeros.
  EXPECT_EQ(Read("1", 2, 3, kT).value, 10.0);
  EXPECT_EQ(Read("-3", 3, 3, kT).value, -300.0);
  EXPECT_EQ(Read("2", 2, 3, kP).value, 2.0);
  EXPECT_EQ(Read("0.5", 2, 3, kP).value, 0.5);
  // Blanks before and between the digits are passed over.
  Number spaced = Read(" \t1 5\t00Y", 2, 3, kL);
  EXPECT_EQ(spaced.value, 1.5);
  EXPECT_EQ(spaced.used, 8u);
  // No digits: 0, nothing but blanks taken; "+" is not part of a number.
  Number none = Read("*", 2, 3, kL);
  EXPECT_EQ(none.value, 0.0);
  EXPECT_EQ(none.used, 0u);
  EXPECT_EQ(Read("+5", 2, 3, kP).used, 0u);
  EXPECT_EQ(Read("-", 2, 3, kL).value, 0.0);
}

TEST(GerberNumber, EndlessDigitRunIsConsumedWholeAndStaysFinite) {
  std::string digits(200000, '9');
  for (ZeroMode mode : {kL, kT, kP}) {
    Number n = Read(digits + "Y", 2, 3, mode);
    EXPECT_EQ(n.used, digits.size());
    EXPECT_TRUE(std::isfinite(n.value));
    EXPECT_GT(n.value, 99.0);
  }
  Number fraction = Read("1." + digits, 2, 3, kL);
  EXPECT_EQ(fraction.used, digits.size() + 2);
  EXPECT_NEAR(fraction.value, 2.0, 1e-12);
}

TEST(GerberWords, ReadDigitsAndBlockEnd) {
  std::string text = "12345";
  int32_t value = -1;
  EXPECT_EQ(gerber::ReadDigits(text.data(), text.data() + 5, 3, &value), text.data() + 3);
  EXPECT_EQ(value, 123);
  EXPECT_EQ(gerber::ReadDigits(text.data(), text.data(), 3, &value), text.data());
  EXPECT_EQ(value, 0);

  auto skipped = [](const std::string& s) { return gerber::SkipBlockEnd(s.data(), s.data() + s.size()) - s.data(); };
  EXPECT_EQ(skipped(" \t*%\r\nX"), 6);
  EXPECT_EQ(skipped("**"), 1);
  EXPECT_EQ(skipped("\n\r"), 1);
  EXPECT_EQ(skipped("%%"), 1);
  EXPECT_EQ(skipped("X"), 0);
}

struct Parsed {
  GerberState state;
  size_t used;
};

// `text` starts after the opening '%'.
void Parameter(const std::string& text, Parsed& out) {
  out.used = gerber::ParseGerberParameter(text.data(), text.data() + text.size(), out.state) - text.data();
}

class GerberParameter : public ::testing::Test {
 protected:
  void SetUp() override { gerber::GerberStateInit(p.state); }
  void Run(const std::string& text) { Parameter(text, p); }
  const GerberState& s() const { return p.state; }
  std::string Format() const {
    return std::to_string(s().xIntegerDigits) + std::to_string(s().xDecimalDigits) + "/" +
           std::to_string(s().yIntegerDigits) + std::to_string(s().yDecimalDigits);
  }
  Parsed p;
};

TEST_F(GerberParameter, FormatVariants) {
  EXPECT_EQ(Format(), "23/23");
  Run("FSLAX24Y24*%\r\nX");
  EXPECT_EQ(p.used, 14u);
  EXPECT_EQ(Format(), "24/24");
  EXPECT_FALSE(s().trailingZerosOmitted);
  EXPECT_FALSE(s().incremental);
  Run("FSTIX35Y16*%");
  EXPECT_EQ(Format(), "35/16");
  EXPECT_TRUE(s().trailingZerosOmitted);
  EXPECT_TRUE(s().incremental);
  Run("FSLAX99Y07*%");
  EXPECT_EQ(Format(), "66/06");
  // Missing digits: 6 on X, X's values repeated on Y.
  Run("FSLAX3Y*%");
  EXPECT_EQ(Format(), "36/36");
  Run("FSLAX24Y24*%");
  // No X before the '%': neither axis changes, though a Y follows later.
  Run("FSLA*%Y55");
  EXPECT_EQ(Format(), "24/24");
  EXPECT_EQ(p.used, 6u);
  // Only the first parameter of a block counts.
  Run("MOIN*FSLAX46Y46*%");
  EXPECT_EQ(Format(), "24/24");
}

TEST_F(GerberParameter, ApertureDefinitions) {
  Run("ADD10C,0.05*%");
  EXPECT_EQ(s().apertures[0].shape, 'C');
  EXPECT_EQ(s().apertures[0].parameterCount, 1);
  EXPECT_EQ(s().apertures[0].parameters[0], 0.05);
  Run("ADD999O,5X6X7X8X9X10*%");
  EXPECT_EQ(s().apertures[989].parameterCount, 4);
  EXPECT_EQ(s().apertures[989].parameters[3], 8.0);
  Run("ADD12P,0.1X6*%");
  EXPECT_EQ(s().apertures[2].shape, 'P');
  // A macro's name stops the definition after its shape letter.
  Run("ADD13MACRO1,0.5*%");
  EXPECT_EQ(s().apertures[3].shape, 'M');
  EXPECT_EQ(s().apertures[3].parameterCount, 0);
  // Codes outside 10..999 and unknown shapes store nothing.
  Run("ADD9C,1*%");
  Run("ADD1000C,1*%");
  Run("ADD14Q,1*%");
  EXPECT_EQ(s().apertures[4].shape, 0);
  for (const auto& a : s().apertures) EXPECT_NE(a.parameters[0], 1.0);
}

TEST_F(GerberParameter, DefinitionWithoutStarStopsAtPercent) {
  p.used = 0;
  Run("ADD10C,0.5%\nX100Y200D03*");
  EXPECT_EQ(s().apertures[0].parameterCount, 1);
  EXPECT_EQ(p.used, 12u);
}

TEST_F(GerberParameter, ScaleFactors) {
  Run("SFA2B0.5*%");
  EXPECT_EQ(s().scaleX, 2.0);
  EXPECT_EQ(s().scaleY, 0.5);
  Run("SFA0B5000*%");
  EXPECT_EQ(s().scaleX, 1.0);
  EXPECT_EQ(s().scaleY, 1.0);
  Run("SFB3*%");
  EXPECT_EQ(s().scaleX, 1.0);
  EXPECT_EQ(s().scaleY, 3.0);
  Run("SFA-2*%");
  EXPECT_EQ(s().scaleX, 1.0);
}

TEST_F(GerberParameter, UnterminatedBlockRunsToTheEnd) {
  Run("FSLAX24Y24*\nX100Y100D03*");
  EXPECT_EQ(p.used, 24u);
  EXPECT_EQ(Format(), "24/24");
}

TEST(GerberCodes, CodesReadOnlyTheirDigits) {
  GerberState s;
  gerber::GerberStateInit(s);
  auto used = [&s](const char* (*parse)(const char*, const char*, GerberState&), const std::string& text) {
    return parse(text.data(), text.data() + text.size(), s) - text.data();
  };
  EXPECT_EQ(used(gerber::ParseGCode, "04 X1D03 *\nX"), 11);
  EXPECT_EQ(used(gerber::ParseGCode, "54D10"), 2);
  EXPECT_EQ(used(gerber::ParseGCode, "0"), 1);
  EXPECT_EQ(used(gerber::ParseDCode, "001*"), 3);
  // Aperture selections and unknown codes skip the rest of their block.
  EXPECT_EQ(used(gerber::ParseDCode, "123 4*\nX"), 7);
  EXPECT_EQ(s.aperture, 123);
  EXPECT_EQ(used(gerber::ParseDCode, "7X1*"), 4);
  EXPECT_EQ(s.aperture, 123);
  EXPECT_EQ(used(gerber::ParseMCode, "025"), 2);
}

}  // namespace

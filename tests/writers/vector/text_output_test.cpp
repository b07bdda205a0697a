#include "writers/vector/text_output.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "tests/support/support.h"

namespace {

void PutRaw(TextOutput& out, const char* value) { PutBytes(out, value, std::char_traits<char>::length(value)); }

// Our number formatting against the C library's printf in the "C" locale.
TEST(TextOutput, NumbersMatchPrintf) {
  std::vector<double> values = {0.0,
                                -0.0,
                                0.5,
                                1e-5,
                                0.0001,
                                123456,
                                1234567,
                                999999.5,
                                9999995,
                                -2.25,
                                1e20,
                                1e308,
                                5e-324,
                                0.1 + 0.2,
                                0.0078125,  // ties at the seventh decimal, to even
                                0.0234375,
                                -1e12,
                                999999999999.9999,
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::nan("")};
  std::mt19937_64 random(5);
  for (int i = 0; i < 2000; ++i) {
    std::uniform_real_distribution<double> exponent(-30, 30);
    values.push_back((i % 2 ? -1 : 1) * std::pow(10.0, exponent(random)));
    values.push_back(static_cast<double>(static_cast<int64_t>(random() % 2000000001) - 1000000000) / 1024);
  }
  testing_support::TempDir dir;
  TextOutput out{};
  ASSERT_EQ(OpenTextOutput(out, dir.File("n.txt").c_str(), PutRaw), 1);
  std::string expected;
  char buffer[512];
  int32_t n = -1000;
  for (double v : values) {
    n = static_cast<int32_t>(static_cast<uint32_t>(n) * 7u + 13u);  // both signs, many sizes
    Emit(out, "%g %.6f %d %x %%\n", {v, v, n, static_cast<uint32_t>(n)});
    std::snprintf(buffer, sizeof buffer, "%g %.6f %d %x %%\r\n", v, v, n, static_cast<uint32_t>(n));
    expected += buffer;
  }
  ASSERT_EQ(CloseTextOutput(out), 1);
  EXPECT_EQ(testing_support::ReadText(dir.File("n.txt")), expected);
}

// A prepared template writes what the same template writes through Emit,
// odd placeholders and missing arguments included.
TEST(TextOutput, PreparedTemplateMatchesEmit) {
  static constexpr auto kLines = PrepareTemplate("a\n%d\n%.6f %g\n");
  static constexpr auto kOdd = PrepareTemplate("%% %q%s %.6 %x%");
  static constexpr auto kPlain = PrepareTemplate("no placeholders\n");
  testing_support::TempDir dir;
  std::string files[2];
  for (int prepared = 0; prepared < 2; ++prepared) {
    files[prepared] = dir.File(prepared ? "p.txt" : "e.txt");
    TextOutput out{};
    ASSERT_EQ(OpenTextOutput(out, files[prepared].c_str(), PutRaw), 1);
    for (double v : {0.0, -2.5, 1e15}) {
      if (prepared) {
        Emit(out, kLines, {-7, v, v});
        Emit(out, kOdd, {1, "s", 2.0, 255, 3});
        Emit(out, kOdd, {1});
        Emit(out, kPlain);
      } else {
        Emit(out, "a\n%d\n%.6f %g\n", {-7, v, v});
        Emit(out, "%% %q%s %.6 %x%", {1, "s", 2.0, 255, 3});
        Emit(out, "%% %q%s %.6 %x%", {1});
        Emit(out, "no placeholders\n");
      }
    }
    ASSERT_EQ(CloseTextOutput(out), 1);
  }
  EXPECT_EQ(testing_support::ReadText(files[1]), testing_support::ReadText(files[0]));
}

// A fragment longer than the file's buffer, between short ones, keeps its place.
TEST(TextOutput, LongFragmentKeepsOrder) {
  testing_support::TempDir dir;
  TextOutput out{};
  ASSERT_EQ(OpenTextOutput(out, dir.File("l.txt").c_str(), PutRaw), 1);
  std::string head(kBufferedFileSize - 3, 'a'), tail(kBufferedFileSize * 2 + 5, 'c');
  PutRaw(out, head.c_str());
  Emit(out, "%d", {12345});
  PutRaw(out, tail.c_str());
  PutRaw(out, "z");
  ASSERT_EQ(CloseTextOutput(out), 1);
  EXPECT_EQ(testing_support::ReadText(dir.File("l.txt")), head + "12345" + tail + "z");
}

}  // namespace

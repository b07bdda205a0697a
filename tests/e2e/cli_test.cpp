// The command line as a user meets it: the real program in a fresh folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::UsageText;

const std::string kBanner = "Kartex - vector/bitmap convertor\n";

void ExpectUsageError(const std::vector<std::string>& args, const std::string& before = "") {
  TempDir dir;
  auto r = RunKartex(args, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.output, kBanner + before + UsageText());
}

TEST(CommandLine, UsageErrorsPrintUsageAndExit255) {
  ExpectUsageError({"-w0", "a.dxf", "b.bmp"});
  ExpectUsageError({"-w", "-5", "a.dxf", "b.bmp"});
  ExpectUsageError({"-wabc", "a.dxf", "b.bmp"});
  ExpectUsageError({"-w", "99999999999", "a.dxf", "b.bmp"});
  ExpectUsageError({"-q0", "a.dxf", "b.jpg"});
  ExpectUsageError({"-q101", "a.dxf", "b.jpg"});
  ExpectUsageError({"-r", "in.dxf", "out.bmp", "extra"});
  ExpectUsageError({"in.dxf", "-w", "100", "out.bmp"});
  ExpectUsageError({"in.dxf", "out.html"});
  ExpectUsageError({"in.dxf", "out.jpeg"});
  ExpectUsageError({"in.bmp", "out.bmp"});
  ExpectUsageError({"in.dxf", "out"});
  ExpectUsageError({"-:", "in.dxf", "out.bmp"});
  ExpectUsageError({"a.dxf"});
  ExpectUsageError({"-w"}, "Kartex: No argument for (-w)\n");
}

TEST(CommandLine, BadPaletteFile) {
  TempDir dir;
  testing_support::WriteFile(dir.File("p767.pal"), std::string(767, 'a'));
  auto r = RunKartex({"-c", "p767.pal", "in.emf", "out.bmp"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.output, kBanner + "Kartex: Unable to load palette p767.pal or bad file size (should be 768)\n" + UsageText());
}

TEST(CommandLine, UnknownOptionStillReachesTheConversion) {
  TempDir dir;
  auto r = RunKartex({"-x", "missing.dxf", "out.bmp"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.output, kBanner + "Kartex: Unknown option (-x)\nUnable to fopen missing.dxf\nKartex: error!\n" + UsageText());
  EXPECT_TRUE(dir.List().empty());
}

TEST(CommandLine, NoArgumentsPrintsTheBanner) {
  TempDir dir;
  auto r = RunKartex({}, dir.path());
  EXPECT_EQ(r.output.rfind(kBanner, 0), 0u);
}

}  // namespace

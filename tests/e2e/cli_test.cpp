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

// Each bad command line exits 255 with the banner, its message and the usage;
// nothing is written.
TEST(CommandLine, UsageErrorsPrintUsageAndExit255) {
  struct Case {
    std::vector<std::string> args;
    std::string message = "";
  } cases[] = {
      {{"-w0", "a.dxf", "b.bmp"}},
      {{"-w", "-5", "a.dxf", "b.bmp"}},
      {{"-wabc", "a.dxf", "b.bmp"}},
      {{"-w", "99999999999", "a.dxf", "b.bmp"}},
      {{"-q0", "a.dxf", "b.jpg"}},
      {{"-q101", "a.dxf", "b.jpg"}},
      {{"-r", "in.dxf", "out.bmp", "extra"}},
      {{"in.dxf", "-w", "100", "out.bmp"}},
      {{"in.dxf", "out.html"}},
      {{"in.dxf", "out.jpeg"}},
      {{"in.bmp", "out.bmp"}},
      {{"in.dxf", "out"}},
      {{"-:", "in.dxf", "out.bmp"}},
      {{"a.dxf"}},
      {{"-w"}, "Kartex: No argument for (-w)\n"},
      {{"-c", "p767.pal", "in.emf", "out.bmp"},
       "Kartex: Unable to load palette p767.pal or bad file size (should be 768)\n"},
      // An unknown option still reaches the conversion.
      {{"-x", "missing.dxf", "out.bmp"}, "Kartex: Unknown option (-x)\nUnable to fopen missing.dxf\nKartex: error!\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    testing_support::WriteFile(dir.File("p767.pal"), std::string(767, 'a'));
    auto r = RunKartex(c.args, dir.path());
    EXPECT_EQ(r.status, 255) << c.args[0];
    EXPECT_EQ(r.output, kBanner + c.message + UsageText()) << c.args[0];
    EXPECT_EQ(dir.List(), std::vector<std::string>{"p767.pal"});
  }
}

TEST(CommandLine, NoArgumentsPrintsTheBanner) {
  TempDir dir;
  auto r = RunKartex({}, dir.path());
  EXPECT_EQ(r.output.rfind(kBanner, 0), 0u);
}

}  // namespace

#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/support/support.h"

namespace {

// GetOption's results over `args`: each letter with its argument, then a space.
std::string Options(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& s : args) argv.push_back(s.data());
  argv.push_back(nullptr);
  cli::optind = 1;
  std::string out;
  for (int c; (c = GetOption(int(args.size()), argv.data(), "w:h:c:q:r")) != -1;)
    out += char(c) + std::string(cli::optarg ? cli::optarg : "") + " ";
  return out;
}

TEST(GetOption, ArgumentsFlagsAndWhereParsingStops) {
  struct Case {
    std::vector<std::string> args;
    std::string options;
    int optind;
  } const cases[] = {
      {{"kartex", "-w800", "-h", "600", "-r", "in.dxf", "out.bmp"}, "w800 h600 r ", 5},
      {{"kartex", "-rx", "a", "b"}, "r ", 2},  // extra characters of a flag are ignored
      {{"kartex", "-:", "a", "b"}, ": ", 2},
      {{"kartex", "in.dxf", "-w", "100", "out.bmp"}, "", 1},  // the first non-option ends options
      {{"kartex", "-x", "in.dxf", "out.bmp"}, "", 2},         // an unknown option ends them after itself
      {{"kartex", "-", "a"}, "", 2},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Options(c.args), c.options) << c.args[1];
    EXPECT_EQ(cli::optind, c.optind) << c.args[1];
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              c.options.empty() && c.optind == 2 ? "Kartex: Unknown option (" + c.args[1] + ")\n" : "");
  }
}

// The end-to-end runs use every extension; here, case and odd names.
TEST(FileKindOf, ExtensionsIgnoringCase) {
  for (auto [name, input, kind] : {std::tuple{"IN.DXF", 1, kKindDxf},
                                   {"a.Wmf", 1, kKindWmf},
                                   {"out.HTM", 0, kKindVml},
                                   {"out.vml", 0, kKindVml},
                                   {"out.PNG", 0, kKindPng},
                                   {"in.png", 1, kKindNone},
                                   {"noextension", 0, kKindNone},
                                   {"dir.dxf/name", 1, kKindNone},
                                   {"", 1, kKindNone}})
    EXPECT_EQ(FileKindOf(name, input), kind) << name;
}

TEST(ParseOptionNumber, ReadsLeadingDigitsAndRefusesOverflow) {
  for (auto [text, value] : {std::pair{"800", 800},
                             {" 12abc", 12},
                             {"abc", 0},
                             {"-5", -5},
                             {"2147483647", 2147483647},
                             {"2147483648", 99},
                             {"99999999999999999999", 99}}) {
    int32_t v = 99;
    EXPECT_EQ(ParseOptionNumber(text, &v), value != 99) << text;  // 99: refused, left alone
    EXPECT_EQ(v, value) << text;
  }
}

TEST(LoadPaletteFile, OnlyExactly768Bytes) {
  testing_support::TempDir dir;
  std::string bytes(768, '\0');
  for (int i = 0; i < 768; ++i) bytes[i] = char(i % 251);
  testing_support::WriteFile(dir.File("good.pal"), bytes);
  testing_support::WriteFile(dir.File("short.pal"), bytes.substr(0, 767));
  testing_support::WriteFile(dir.File("long.pal"), bytes + "x");
  PaletteEntry entries[256] = {};
  entries[7].flags = 9;
  ASSERT_EQ(LoadPaletteFile(dir.File("good.pal").c_str(), entries), 1);
  EXPECT_EQ((std::vector<int>{entries[7].red, entries[7].green, entries[7].blue, entries[7].flags}),
            (std::vector<int>{21, 22, 23, 9}));
  for (const char* name : {"short.pal", "long.pal", "missing.pal"}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadPaletteFile(dir.File(name).c_str(), entries), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Kartex: Unable to load palette " + dir.File(name) + " or bad file size (should be 768)\n");
  }
}

TEST(RowStride, RoundsRowsUpToFourBytesIn64Bits) {
  for (auto [width, bpp, stride] : {std::tuple{1727, 8, int64_t{1728}},
                                    {1728, 1, 216},
                                    {1730, 1, 220},
                                    {1, 24, 4},
                                    {2147483647, 24, -1} /* does not fit 32 bits */,
                                    {0, 8, -1}})
    EXPECT_EQ(RowStride(width, bpp), stride) << width << " at " << bpp;
}

}  // namespace

#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

using testing_support::TempDir;

// Runs GetOption over a fresh argument vector, collecting what it returns.
struct Parse {
  std::vector<std::string> args;
  std::vector<char*> argv;
  std::vector<int> letters;
  std::vector<std::string> values;
  explicit Parse(std::vector<std::string> a) : args(std::move(a)) {
    for (auto& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);
    cli::optind = 1;
    cli::optarg = nullptr;
    for (int c; (c = GetOption(int(args.size()), argv.data(), "w:h:c:q:r")) != -1;) {
      letters.push_back(c);
      values.push_back(cli::optarg ? cli::optarg : "(null)");
    }
  }
};

TEST(GetOption, ArgumentsFlagsAndWhereParsingStops) {
  Parse p({"kartex", "-w800", "-h", "600", "-r", "in.dxf", "out.bmp"});
  EXPECT_EQ(p.letters, (std::vector<int>{'w', 'h', 'r'}));
  EXPECT_EQ(p.values, (std::vector<std::string>{"800", "600", "(null)"}));
  EXPECT_EQ(cli::optind, 5);
  Parse extra({"kartex", "-rx", "a", "b"});  // extra characters of a flag are ignored
  EXPECT_EQ(extra.letters, (std::vector<int>{'r'}));
  EXPECT_EQ(cli::optind, 2);
  Parse colon({"kartex", "-:", "a", "b"});
  EXPECT_EQ(colon.letters, (std::vector<int>{':'}));
  Parse first({"kartex", "in.dxf", "-w", "100", "out.bmp"});  // the first non-option ends options
  EXPECT_TRUE(first.letters.empty());
  EXPECT_EQ(cli::optind, 1);
}

TEST(GetOption, UnknownOptionAndLoneDashEndParsingAfterConsumingIt) {
  testing::internal::CaptureStdout();
  Parse p({"kartex", "-x", "in.dxf", "out.bmp"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Kartex: Unknown option (-x)\n");
  EXPECT_TRUE(p.letters.empty());
  EXPECT_EQ(cli::optind, 2);
  testing::internal::CaptureStdout();
  Parse dash({"kartex", "-", "a"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Kartex: Unknown option (-)\n");
}

TEST(FileKindOf, ExtensionsIgnoringCase) {
  struct Case {
    const char* name;
    int input, kind;
  } const cases[] = {
      {"IN.DXF", 1, kKindDxf},    {"a.emf", 1, kKindEmf},        {"a.Wmf", 1, kKindWmf},
      {"board.gbr", 1, kKindGerber}, {"a.bmp", 1, kKindNone},    {"out.HTM", 0, kKindVml},
      {"out.vml", 0, kKindVml},   {"out.g3", 0, kKindG3},        {"out.jpg", 0, kKindJpeg},
      {"out.gif", 0, kKindGif},   {"out.dxf", 0, kKindDxf},      {"out.html", 0, kKindNone},
      {"out.jpeg", 0, kKindNone}, {"noextension", 0, kKindNone}, {"dir.dxf/name", 1, kKindNone},
      {"", 1, kKindNone},
  };
  for (const Case& c : cases) EXPECT_EQ(FileKindOf(c.name, c.input), c.kind) << c.name;
}

TEST(ParseOptionNumber, ReadsLeadingDigitsAndRefusesOverflow) {
  for (auto [text, value] : {std::pair{"800", 800}, {" 12abc", 12}, {"abc", 0}, {"-5", -5},
                             {"2147483647", 2147483647}}) {
    int32_t v = 99;
    EXPECT_TRUE(ParseOptionNumber(text, &v)) << text;
    EXPECT_EQ(v, value) << text;
  }
  int32_t v = 0;
  EXPECT_FALSE(ParseOptionNumber("2147483648", &v));
  EXPECT_FALSE(ParseOptionNumber("99999999999999999999", &v));
}

TEST(LoadPaletteFile, OnlyExactly768Bytes) {
  TempDir dir;
  std::string bytes(768, '\0');
  for (int i = 0; i < 768; ++i) bytes[i] = char(i % 251);
  testing_support::WriteFile(dir.File("good.pal"), bytes);
  testing_support::WriteFile(dir.File("short.pal"), bytes.substr(0, 767));
  testing_support::WriteFile(dir.File("long.pal"), bytes + "x");
  PaletteEntry entries[256] = {};
  entries[7].flags = 9;
  ASSERT_EQ(LoadPaletteFile(dir.File("good.pal").c_str(), entries), 1);
  EXPECT_EQ(entries[7].red, 21);
  EXPECT_EQ(entries[7].green, 22);
  EXPECT_EQ(entries[7].blue, 23);
  EXPECT_EQ(entries[7].flags, 9);
  for (const char* name : {"short.pal", "long.pal", "missing.pal"}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadPaletteFile(dir.File(name).c_str(), entries), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Kartex: Unable to load palette " + dir.File(name) + " or bad file size (should be 768)\n");
  }
}

TEST(RowStride, RoundsRowsUpToFourBytesIn64Bits) {
  struct Case {
    int32_t width, bpp;
    int64_t stride;
  } const cases[] = {{1727, 8, 1728}, {1001, 8, 1004}, {1728, 1, 216}, {1730, 1, 220}, {1, 24, 4},
                     {1000, 24, 3000}, {2147483647, 24, -1} /* does not fit 32 bits */, {0, 8, -1}};
  for (const Case& c : cases) EXPECT_EQ(RowStride(c.width, c.bpp), c.stride) << c.width << " at " << c.bpp;
}

}  // namespace

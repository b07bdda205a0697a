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

TEST(GetOption, AttachedAndSeparateArguments) {
  Parse p({"kartex", "-w800", "-h", "600", "-r", "in.dxf", "out.bmp"});
  EXPECT_EQ(p.letters, (std::vector<int>{'w', 'h', 'r'}));
  EXPECT_EQ(p.values, (std::vector<std::string>{"800", "600", "(null)"}));
  EXPECT_EQ(cli::optind, 5);
}

TEST(GetOption, ExtraCharactersOfAFlagAreIgnored) {
  Parse p({"kartex", "-rx", "a", "b"});
  EXPECT_EQ(p.letters, (std::vector<int>{'r'}));
  EXPECT_EQ(cli::optind, 2);
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

TEST(GetOption, MissingArgumentAndColon) {
  testing::internal::CaptureStdout();
  Parse p({"kartex", "-w"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Kartex: No argument for (-w)\n");
  Parse colon({"kartex", "-:", "a", "b"});
  EXPECT_EQ(colon.letters, (std::vector<int>{':'}));
}

TEST(GetOption, FirstNonOptionEndsOptions) {
  Parse p({"kartex", "in.dxf", "-w", "100", "out.bmp"});
  EXPECT_TRUE(p.letters.empty());
  EXPECT_EQ(cli::optind, 1);
}

TEST(FileKindOf, ExtensionsIgnoringCase) {
  EXPECT_EQ(FileKindOf("IN.DXF", 1), kKindDxf);
  EXPECT_EQ(FileKindOf("a.emf", 1), kKindEmf);
  EXPECT_EQ(FileKindOf("a.Wmf", 1), kKindWmf);
  EXPECT_EQ(FileKindOf("board.gbr", 1), kKindGerber);
  EXPECT_EQ(FileKindOf("a.bmp", 1), kKindNone);
  EXPECT_EQ(FileKindOf("out.HTM", 0), kKindVml);
  EXPECT_EQ(FileKindOf("out.vml", 0), kKindVml);
  EXPECT_EQ(FileKindOf("out.g3", 0), kKindG3);
  EXPECT_EQ(FileKindOf("out.jpg", 0), kKindJpeg);
  EXPECT_EQ(FileKindOf("out.gif", 0), kKindGif);
  EXPECT_EQ(FileKindOf("out.dxf", 0), kKindDxf);
  EXPECT_EQ(FileKindOf("out.html", 0), kKindNone);
  EXPECT_EQ(FileKindOf("out.jpeg", 0), kKindNone);
  EXPECT_EQ(FileKindOf("noextension", 0), kKindNone);
  EXPECT_EQ(FileKindOf("dir.dxf/name", 1), kKindNone);
  EXPECT_EQ(FileKindOf("", 1), kKindNone);
}

TEST(ParseOptionNumber, ReadsLeadingDigitsAndRefusesOverflow) {
  int32_t v = 0;
  EXPECT_TRUE(ParseOptionNumber("800", &v));
  EXPECT_EQ(v, 800);
  EXPECT_TRUE(ParseOptionNumber(" 12abc", &v));
  EXPECT_EQ(v, 12);
  EXPECT_TRUE(ParseOptionNumber("abc", &v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(ParseOptionNumber("-5", &v));
  EXPECT_EQ(v, -5);
  EXPECT_TRUE(ParseOptionNumber("2147483647", &v));
  EXPECT_EQ(v, 2147483647);
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

TEST(BitsPerPixel, ByOutputKind) {
  EXPECT_EQ(BitsPerPixelFor(kKindG3), 1);
  EXPECT_EQ(BitsPerPixelFor(kKindJpeg), 24);
  EXPECT_EQ(BitsPerPixelFor(kKindBmp), 8);
  EXPECT_EQ(BitsPerPixelFor(kKindVml), 8);
}

TEST(RowStride, RoundsRowsUpToFourBytesIn64Bits) {
  EXPECT_EQ(RowStride(1727, 8), 1728);
  EXPECT_EQ(RowStride(1001, 8), 1004);
  EXPECT_EQ(RowStride(1728, 1), 216);
  EXPECT_EQ(RowStride(1730, 1), 220);
  EXPECT_EQ(RowStride(1, 24), 4);
  EXPECT_EQ(RowStride(1000, 24), 3000);
  EXPECT_EQ(RowStride(2147483647, 24), -1);  // does not fit 32 bits
  EXPECT_EQ(RowStride(0, 8), -1);
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/readers/dxf/dxf_test_util.h"

namespace {

using dxf::ClassifyLine;
using dxf::LineClass;
using dxf_test::L;

TEST(ClassifyLine, GroupCodesAndKeywordsByPrefixAndCase) {
  using enum LineClass;
  const std::pair<const char*, LineClass> cases[] = {
      {"0\n", kG0},
      {"  0\n", kG0},
      {"0", kG0},
      {"01\n", kNone},
      {"1000\n", kG1000},
      {"100\n", kNone},
      {"1001\n", kNone},
      {"39\n", kG39},
      {"390\n", kNone},
      {"  10\n", kG10},
      {"14\n", kNone},
      {"30\n", kNone},
      {"5\n", kNone},
      {"74\n", kNone},
      {"8\r\n", kG8},
      {"", kNone},
      {"3DFACE\n", kFace3d},
      {"3D\n", kG3},
      {"ARCHIVE\n", kArcOrCircle},
      {"ATTRIB\n", kTextOrAttrib},
      {"TRACE\n", kSolidLike},
      {"LINEX\n", kLine},
      {"  $EXTMAX\n", kExtMax},
      {"EOF", kEof},
      {"DIMENSION\n", kNone},
      {"ATTDEF\n", kNone},
      {"Line\n", kNone},
      {"MTEX\n", kNone},
  };
  for (auto [line, expected] : cases) EXPECT_EQ(ClassifyLine(line), expected) << line;
}

TEST(ParseNumbers, BehaveLikeAtofAndAtoiWithoutOverflow) {
  // Digits are read as strtod reads them (the decimal parser's own tests);
  // here, leading blanks, no number at all, and a far exponent.
  for (auto [text, value] : {std::pair{"  1.5\n", 1.5}, {"abc\n", 0.0}, {"\n", 0.0}, {"0.00001e310\n", 1e305}})
    EXPECT_EQ(dxf::ParseDouble(text), value) << text;
  EXPECT_TRUE(std::isnan(dxf::ParseDouble("nan\n")));
  for (auto [text, value] : {std::pair{" 256\n", 256},
                             {"-3\n", -3},
                             {"1.9\n", 1},
                             {"99999999999999999999\n", 2147483647},
                             {"-99999999999999999999\n", -2147483647}})
    EXPECT_EQ(dxf::ParseInt(text), value) << text;
}

// Reads every line of `text` through the line reader.
std::vector<std::string> Lines(const std::string& text) {
  dxf::LineSource source;
  dxf::OpenMemorySource(source, text.data(), text.size());
  std::vector<std::string> lines;
  char line[dxf::kLineSize];
  while (dxf::ReadGroupLine(source, line)) lines.emplace_back(line);
  return lines;
}

TEST(ReadGroupLine, CrLfArrivesAsLfAndLongLinesAreCut) {
  EXPECT_EQ(Lines("0\r\nLINE\r\n8\r\nA\rB\r\n"), (std::vector<std::string>{"0\n", "LINE\n", "8\n", "A\rB\n"}));
  EXPECT_EQ(Lines("0\nEOF"), (std::vector<std::string>{"0\n", "EOF"}));
  EXPECT_EQ(Lines("0\r\nEOF\r"), (std::vector<std::string>{"0\n", "EOF"}));
  EXPECT_TRUE(Lines("").empty());
  for (const char* end : {"\n", "\r\n"})
    EXPECT_EQ(Lines("1\n" + std::string(5000, 'x') + end + "0\n"),
              (std::vector<std::string>{"1\n", std::string(1022, 'x') + "\n", "0\n"}));
  // A line of exactly 1022 characters ending in CR LF keeps every character.
  EXPECT_EQ(Lines(std::string(1021, 'y') + "z\r\n")[0], std::string(1021, 'y') + "z\n");
}

TEST(ReadGroupLine, FileSourceCrossesChunks) {
  // Lines that straddle the 64 KiB refill boundary arrive whole.
  std::string text, all;
  while (text.size() < 3 * dxf::kChunkSize) text += "10\n123.456789\n";
  testing_support::TempDir dir;
  testing_support::WriteFile(dir.File("a.txt"), text);
  FILE* f = std::fopen(dir.File("a.txt").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<char> chunk(dxf::kChunkSize);
  dxf::LineSource source;
  dxf::OpenFileSource(source, f, chunk.data());
  char line[dxf::kLineSize];
  while (dxf::ReadGroupLine(source, line)) all += line;
  std::fclose(f);
  EXPECT_EQ(all, text);
}

TEST(SeekGroupZero, KeepsPairingAndFailsWithoutStop) {
  // A value line "0" is never taken for a code.
  std::string text = L("999|0|0|SECTION|2|HEADER");
  dxf::LineSource source;
  dxf::OpenMemorySource(source, text.data(), text.size());
  EXPECT_EQ(dxf::SeekGroupZero(source, LineClass::kSection, LineClass::kEof), 1);
  char line[dxf::kLineSize];
  ASSERT_TRUE(dxf::ReadGroupLine(source, line));
  EXPECT_STREQ(line, "2\n");
  EXPECT_EQ(dxf::SeekGroupZero(source, LineClass::kSection, LineClass::kEof), 0);

  std::string eof = L("0|EOF");
  dxf::OpenMemorySource(source, eof.data(), eof.size());
  EXPECT_EQ(dxf::SeekGroupZero(source, LineClass::kSection, LineClass::kEof), -1);
}

}  // namespace

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
      {"0\n", kG0},           {"  0\n", kG0},       {"\t0\n", kG0},         {"0", kG0},
      {"01\n", kNone},        {"1000\n", kG1000},   {"100\n", kNone},       {"1001\n", kNone},
      {"17\n", kNone},        {"39\n", kG39},       {"390\n", kNone},       {"  10\n", kG10},
      {"13\n", kG13},         {"14\n", kNone},      {"23\n", kG23},         {"30\n", kNone},
      {"49\n", kG49},         {"44\n", kNone},      {"51\n", kG51},         {"5\n", kNone},
      {"62\n", kG62},         {"330\n", kNone},     {"73\n", kG73},         {"74\n", kNone},
      {"8\r\n", kG8},         {"\n", kNone},        {"", kNone},            {"3DFACE\n", kSolidLike},
      {"3D\n", kG3},          {"TABLES\n", kTables}, {"TABLE\n", kTable},   {"BLOCKS\n", kBlocks},
      {"BLOCK\n", kBlock},    {"CIRCLE\n", kArcOrCircle}, {"ARC\n", kArcOrCircle}, {"ARCHIVE\n", kArcOrCircle},
      {"TEXT\n", kTextOrAttrib}, {"ATTRIB\n", kTextOrAttrib}, {"SOLID\n", kSolidLike}, {"TRACE\n", kSolidLike},
      {"LINEX\n", kLine},     {"LWPOLYLINE\n", kLwPolyline}, {"  $EXTMAX\n", kExtMax}, {"BYLAYER\n", kByLayer},
      {"EOF", kEof},          {"DIMENSION\n", kNone}, {"POINT\n", kNone},   {"HATCH\n", kNone},
      {"ATTDEF\n", kNone},    {"line\n", kNone},    {"Line\n", kNone},      {"ZOO\n", kNone},
      {"MTEX\n", kNone},
  };
  for (auto [line, expected] : cases) EXPECT_EQ(ClassifyLine(line), expected) << line;
}

TEST(ParseNumbers, BehaveLikeAtofAndAtoiWithoutOverflow) {
  for (auto [text, value] : {std::pair{"  1.5\n", 1.5}, {"+2e3x", 2000.0}, {".25\n", 0.25}, {"-7.\n", -7.0},
                             {"abc\n", 0.0}, {"\n", 0.0}, {"1e308\n", 1e308}})
    EXPECT_EQ(dxf::ParseDouble(text), value) << text;
  EXPECT_TRUE(std::isinf(dxf::ParseDouble("1e999\n")));
  EXPECT_TRUE(std::isnan(dxf::ParseDouble("nan\n")));
  for (auto [text, value] : {std::pair{" 256\n", 256}, {"-3\n", -3}, {"1.9\n", 1},
                             {"99999999999999999999\n", 2147483647}, {"-99999999999999999999\n", -2147483647}})
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

TEST(ReadGroupLine, CrLfArrivesAsLf) {
  EXPECT_EQ(Lines("0\r\nLINE\r\n8\r\nA\rB\r\n"), (std::vector<std::string>{"0\n", "LINE\n", "8\n", "A\rB\n"}));
  EXPECT_EQ(Lines("0\nEOF"), (std::vector<std::string>{"0\n", "EOF"}));
  EXPECT_EQ(Lines("0\r\nEOF\r"), (std::vector<std::string>{"0\n", "EOF"}));
  EXPECT_TRUE(Lines("").empty());
}

TEST(ReadGroupLine, LongLineIsOneLineCutToTheBuffer) {
  std::string longLine(5000, 'x');
  for (const char* end : {"\n", "\r\n"}) {
    std::vector<std::string> lines = Lines("1\n" + longLine + end + "0\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], std::string(1022, 'x') + "\n");
    EXPECT_EQ(lines[2], "0\n");
  }
  // A line of exactly 1022 characters ending in CR LF keeps every character.
  std::vector<std::string> lines = Lines(std::string(1021, 'y') + "z\r\n");
  EXPECT_EQ(lines[0], std::string(1021, 'y') + "z\n");
}

TEST(ReadGroupLine, FileSourceCrossesChunks) {
  // Lines that straddle the 64 KiB refill boundary arrive whole.
  std::string text;
  while (text.size() < 3 * dxf::kChunkSize) text += "10\n123.456789\n";
  testing_support::TempDir dir;
  testing_support::WriteFile(dir.File("a.txt"), text);
  FILE* f = std::fopen(dir.File("a.txt").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<char> chunk(dxf::kChunkSize);
  dxf::LineSource source;
  dxf::OpenFileSource(source, f, chunk.data());
  char line[dxf::kLineSize];
  int64_t n = 0;
  bool same = true;
  while (dxf::ReadGroupLine(source, line)) same &= std::string(line) == (n++ % 2 ? "123.456789\n" : "10\n");
  std::fclose(f);
  EXPECT_TRUE(same);
  EXPECT_EQ(n, static_cast<int64_t>(text.size() / 14 * 2));
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

TEST(Lookups, ByLayerAndByBlockNeverSearch) {
  dxf_test::Read r(L("0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|BYLAYER|73|0|0|LTYPE|2|DASHED|73|2"
                     "|49|0.5|49|-0.25|0|ENDTAB|0|TABLE|2|STYLE|0|STYLE|2|BYBLOCK|0|ENDTAB|0|ENDSEC|0|EOF"));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.d.lineTypes.count, 3);
  EXPECT_EQ(dxf::FindLineTypeByName(r.d.lineTypes, "BYLAYER\n"), 0);
  EXPECT_EQ(dxf::FindLineTypeByName(r.d.lineTypes, "DASHED\n"), 2);
  EXPECT_EQ(dxf::FindLineTypeByName(r.d.lineTypes, "dashed\n"), 0);
  EXPECT_EQ(dxf::FindStyleByName(r.d.textStyles, "BYBLOCK\n", 0), 0);
  Polyline p = {};
  dxf::ApplyCommonGroup(LineClass::kG62, "256\n", r.d, p);
  EXPECT_EQ(p.colour, 256);
  dxf::ApplyCommonGroup(LineClass::kG62, "-5\n", r.d, p);
  EXPECT_EQ(p.colour, -5);
  dxf::ApplyCommonGroup(LineClass::kG6, "DASHED\n", r.d, p);
  EXPECT_EQ(p.lineType, 2);
}

}  // namespace

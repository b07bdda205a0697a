#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/readers/dxf/dxf_test_util.h"

namespace {

using dxf::ClassifyLine;
using dxf::LineClass;
using dxf_test::L;

TEST(ClassifyLine, GroupCodes) {
  EXPECT_EQ(ClassifyLine("0\n"), LineClass::kG0);
  EXPECT_EQ(ClassifyLine("  0\n"), LineClass::kG0);
  EXPECT_EQ(ClassifyLine("\t0\n"), LineClass::kG0);
  EXPECT_EQ(ClassifyLine("0"), LineClass::kG0);
  EXPECT_EQ(ClassifyLine("01\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("1000\n"), LineClass::kG1000);
  EXPECT_EQ(ClassifyLine("100\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("1001\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("17\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("39\n"), LineClass::kG39);
  EXPECT_EQ(ClassifyLine("390\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("  10\n"), LineClass::kG10);
  EXPECT_EQ(ClassifyLine("13\n"), LineClass::kG13);
  EXPECT_EQ(ClassifyLine("14\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("23\n"), LineClass::kG23);
  EXPECT_EQ(ClassifyLine("30\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("49\n"), LineClass::kG49);
  EXPECT_EQ(ClassifyLine("44\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("51\n"), LineClass::kG51);
  EXPECT_EQ(ClassifyLine("5\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("62\n"), LineClass::kG62);
  EXPECT_EQ(ClassifyLine("330\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("73\n"), LineClass::kG73);
  EXPECT_EQ(ClassifyLine("74\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine("8\r\n"), LineClass::kG8);
  EXPECT_EQ(ClassifyLine("\n"), LineClass::kNone);
  EXPECT_EQ(ClassifyLine(""), LineClass::kNone);
}

TEST(ClassifyLine, KeywordsByPrefixAndCase) {
  EXPECT_EQ(ClassifyLine("3DFACE\n"), LineClass::kSolidLike);
  EXPECT_EQ(ClassifyLine("3D\n"), LineClass::kG3);
  EXPECT_EQ(ClassifyLine("TABLES\n"), LineClass::kTables);
  EXPECT_EQ(ClassifyLine("TABLE\n"), LineClass::kTable);
  EXPECT_EQ(ClassifyLine("BLOCKS\n"), LineClass::kBlocks);
  EXPECT_EQ(ClassifyLine("BLOCK\n"), LineClass::kBlock);
  EXPECT_EQ(ClassifyLine("CIRCLE\n"), LineClass::kArcOrCircle);
  EXPECT_EQ(ClassifyLine("ARC\n"), LineClass::kArcOrCircle);
  EXPECT_EQ(ClassifyLine("ARCHIVE\n"), LineClass::kArcOrCircle);
  EXPECT_EQ(ClassifyLine("TEXT\n"), LineClass::kTextOrAttrib);
  EXPECT_EQ(ClassifyLine("ATTRIB\n"), LineClass::kTextOrAttrib);
  EXPECT_EQ(ClassifyLine("SOLID\n"), LineClass::kSolidLike);
  EXPECT_EQ(ClassifyLine("TRACE\n"), LineClass::kSolidLike);
  EXPECT_EQ(ClassifyLine("LINEX\n"), LineClass::kLine);
  EXPECT_EQ(ClassifyLine("LWPOLYLINE\n"), LineClass::kLwPolyline);
  EXPECT_EQ(ClassifyLine("  $EXTMAX\n"), LineClass::kExtMax);
  EXPECT_EQ(ClassifyLine("BYLAYER\n"), LineClass::kByLayer);
  EXPECT_EQ(ClassifyLine("EOF"), LineClass::kEof);
  for (const char* none : {"DIMENSION\n", "POINT\n", "HATCH\n", "ATTDEF\n", "line\n", "Line\n", "ZOO\n", "MTEX\n"})
    EXPECT_EQ(ClassifyLine(none), LineClass::kNone) << none;
}

TEST(ParseNumbers, BehaveLikeAtofAndAtoiWithoutOverflow) {
  EXPECT_EQ(dxf::ParseDouble("  1.5\n"), 1.5);
  EXPECT_EQ(dxf::ParseDouble("+2e3x"), 2000.0);
  EXPECT_EQ(dxf::ParseDouble(".25\n"), 0.25);
  EXPECT_EQ(dxf::ParseDouble("-7.\n"), -7.0);
  EXPECT_EQ(dxf::ParseDouble("abc\n"), 0.0);
  EXPECT_EQ(dxf::ParseDouble("\n"), 0.0);
  EXPECT_EQ(dxf::ParseDouble("1e308\n"), 1e308);
  EXPECT_TRUE(std::isinf(dxf::ParseDouble("1e999\n")));
  EXPECT_TRUE(std::isnan(dxf::ParseDouble("nan\n")));
  EXPECT_EQ(dxf::ParseInt(" 256\n"), 256);
  EXPECT_EQ(dxf::ParseInt("-3\n"), -3);
  EXPECT_EQ(dxf::ParseInt("1.9\n"), 1);
  EXPECT_EQ(dxf::ParseInt("99999999999999999999\n"), 2147483647);
  EXPECT_EQ(dxf::ParseInt("-99999999999999999999\n"), -2147483647);
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

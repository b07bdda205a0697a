// EMF and WMF drawings to DXF and VML/HTML through the real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"

namespace {

using testing_support::EmfWriter;
using testing_support::ReadText;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WmfWriter;
using testing_support::WriteFile;

const std::string kBanner = "Kartex - vector/bitmap convertor\n";

// A red square with a diagonal and a label, in a 200 x 100 picture.
std::string SquareEmf() {
  EmfWriter w;
  w.Header(0, 0, 200, 100).Pen(1, 0, 1, 0x0000FF).Select(1);
  w.Points(3, {10, 10, 90, 10, 90, 90, 10, 90}).MoveTo(10, 10).LineTo(90, 90);
  w.Font(2, -10, 0, u"Arial").Select(2).TextW(120, 40, u"Kartex");
  return w.Eof().Str();
}

// The same picture as a Windows metafile (window 200 x 100).
WmfWriter SquareWmf() {
  WmfWriter w;
  w.Record(0x020B, {0, 0}).Record(0x020C, {100, 200});
  w.Record(0x02FA, {0, 1, 0, 0x00FF, 0}).Record(0x012D, {0});
  w.Record(0x0324, {4, 10, 10, 90, 10, 90, 90, 10, 90}).Record(0x0214, {10, 10}).Record(0x0213, {90, 90});
  std::vector<int16_t> font = {-10, 0, 0, 0, 400, 0, 0, 0, 0};
  auto face = testing_support::TextParams(std::string("Arial") + std::string(27, '\0'));
  font.insert(font.end(), face.begin(), face.end());
  w.Record(0x02FB, font).Record(0x012D, {1});
  std::vector<int16_t> text = {6};
  auto chars = testing_support::TextParams("Kartex");
  text.insert(text.end(), chars.begin(), chars.end());
  text.insert(text.end(), {40, 120});
  return w.Record(0x0521, text);
}

TEST(MetafileToVector, EmfToDxfAndHtml) {
  TempDir dir;
  WriteFile(dir.File("in.emf"), SquareEmf());
  for (const char* out : {"out.dxf", "out.htm", "out.vml"}) {
    auto r = RunKartex({"in.emf", out}, dir.path());
    EXPECT_EQ(r.status, 0) << out << r.output;
    EXPECT_EQ(r.output, kBanner);
  }
  std::string dxf = ReadText(dir.File("out.dxf"));
  EXPECT_NE(dxf.find("Kartex"), std::string::npos);
  EXPECT_NE(dxf.find("Arial"), std::string::npos);
  EXPECT_NE(dxf.find("CONTINUOUS"), std::string::npos);
  std::string html = ReadText(dir.File("out.htm"));
  EXPECT_NE(html.find("Kartex"), std::string::npos);
  EXPECT_NE(html.find("#404040"), std::string::npos);
}

TEST(MetafileToVector, WmfWithAndWithoutPlaceableHeaderGiveTheSameDrawing) {
  TempDir dir;
  WriteFile(dir.File("plain.wmf"), SquareWmf().Str());
  WriteFile(dir.File("placeable.wmf"), SquareWmf().Str(true));
  WriteFile(dir.File("in.emf"), SquareEmf());
  for (const char* in : {"plain", "placeable"}) {
    auto r = RunKartex({std::string(in) + ".wmf", std::string(in) + ".dxf"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.output;
  }
  ASSERT_EQ(RunKartex({"in.emf", "emf.dxf"}, dir.path()).status, 0);
  std::string plain = ReadText(dir.File("plain.dxf"));
  EXPECT_FALSE(plain.empty());
  EXPECT_EQ(plain, ReadText(dir.File("placeable.dxf")));
  EXPECT_NE(plain.find("Kartex"), std::string::npos);
  // The EMF and the WMF draw the same picture in the same units.
  EXPECT_EQ(plain, ReadText(dir.File("emf.dxf")));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"emf.dxf", "in.emf", "placeable.dxf", "placeable.wmf", "plain.dxf",
                                                  "plain.wmf"}));
}

TEST(MetafileToVector, NoTemporaryFileIsLeftBehind) {
  TempDir dir;
  WriteFile(dir.File("in.wmf"), SquareWmf().Str());
  WriteFile(dir.File("bad.wmf"), std::string("not a metafile at all"));
  EXPECT_EQ(RunKartex({"in.wmf", "out.htm"}, dir.path()).status, 0);
  auto bad = RunKartex({"bad.wmf", "out.dxf"}, dir.path());
  EXPECT_EQ(bad.status, 255);
  EXPECT_EQ(bad.output.rfind(kBanner + "Kartex: error!\n", 0), 0u);
  // The vector writer fails after the translation: the temporary file is gone already.
  EXPECT_EQ(RunKartex({"in.wmf", "missing/out.dxf"}, dir.path()).status, 255);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"bad.wmf", "in.wmf", "out.htm"}));
}

TEST(MetafileToVector, AnUnwritableFolderFailsCleanly) {
  // Even root cannot create files in /proc, so this holds whoever runs the tests.
  TempDir dir;
  WriteFile(dir.File("in.wmf"), SquareWmf().Str());
  auto r = RunKartex({dir.File("in.wmf"), dir.File("out.dxf")}, "/proc");
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.output.rfind(kBanner + "Kartex: error!\n", 0), 0u);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wmf"}));
}

TEST(MetafileToVector, BrokenEmfFailsWithTheTranslatorsMessage) {
  TempDir dir;
  EmfWriter w;
  w.Header(0, 0, 10, 10).Record(70, std::vector<int32_t>(300, 0));
  std::string truncated = w.Str().substr(0, 600);
  WriteFile(dir.File("cut.emf"), truncated);
  auto r = RunKartex({"cut.emf", "out.dxf"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.output.rfind(kBanner + "Unable to emf_proc\nKartex: error!\n", 0), 0u);
}

// Every real-world metafile converts, except the damaged ones, which fail cleanly.
TEST(MetafileToVector, RealWorldSamples) {
  std::string folder = testing_support::SamplePath("emf");
  if (folder.empty()) GTEST_SKIP() << "no samples";
  TempDir dir;
  int converted = 0;
  for (const char* kind : {"emf", "wmf"}) {
    for (const auto& entry : std::filesystem::directory_iterator(testing_support::SamplePath(kind))) {
      std::string name = entry.path().filename().string();
      bool damaged = name.find("corrupt") != std::string::npos;
      for (const char* out : {"out.dxf", "out.htm"}) {
        auto r = RunKartex({entry.path().string(), out}, dir.path());
        EXPECT_EQ(r.status, damaged ? 255 : 0) << name << " " << out << "\n" << r.output;
        converted += r.status == 0;
      }
    }
  }
  EXPECT_GT(converted, 40);
  for (const std::string& left : dir.List()) EXPECT_TRUE(left == "out.dxf" || left == "out.htm") << left;
}

}  // namespace

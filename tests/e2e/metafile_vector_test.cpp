// EMF and WMF drawings to DXF and VML/HTML through the real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
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

// The EMF and the WMF (with and without its placeable header) draw the same
// picture in the same units, and leave no temporary file behind.
TEST(MetafileToVector, EmfAndWmfGiveTheSameDrawing) {
  TempDir dir;
  WriteFile(dir.File("in.emf"), SquareEmf());
  WriteFile(dir.File("plain.wmf"), SquareWmf().Str());
  WriteFile(dir.File("placeable.wmf"), SquareWmf().Str(true));
  for (auto [in, out] : {std::pair{"in.emf", "emf.dxf"}, {"in.emf", "out.htm"}, {"in.emf", "out.vml"},
                         {"plain.wmf", "plain.dxf"}, {"placeable.wmf", "placeable.dxf"}}) {
    auto r = RunKartex({in, out}, dir.path());
    EXPECT_EQ(r.status, 0) << in << " " << out;
    EXPECT_EQ(r.output, kBanner);
  }
  std::string dxf = ReadText(dir.File("emf.dxf"));
  for (const char* part : {"Kartex", "Arial", "CONTINUOUS"}) EXPECT_NE(dxf.find(part), std::string::npos) << part;
  EXPECT_EQ(ReadText(dir.File("plain.dxf")), dxf);
  EXPECT_EQ(ReadText(dir.File("placeable.dxf")), dxf);
  std::string html = ReadText(dir.File("out.htm"));
  EXPECT_NE(html.find("Kartex"), std::string::npos);
  EXPECT_NE(html.find("#404040"), std::string::npos);
  EXPECT_EQ(ReadText(dir.File("out.vml")), html);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"emf.dxf", "in.emf", "out.htm", "out.vml", "placeable.dxf",
                                                  "placeable.wmf", "plain.dxf", "plain.wmf"}));
}

// Bad input and unwritable output fail with the right message and leave only the inputs.
TEST(MetafileToVector, FailuresLeaveNothingBehind) {
  TempDir dir;
  WriteFile(dir.File("in.wmf"), SquareWmf().Str());
  WriteFile(dir.File("bad.wmf"), std::string("not a metafile at all"));
  EmfWriter w;
  WriteFile(dir.File("cut.emf"), w.Header(0, 0, 10, 10).Record(70, std::vector<int32_t>(300, 0)).Str().substr(0, 600));
  const std::string error = kBanner + "Kartex: error!\n";
  struct Case {
    std::string in, out, folder, output;
  } cases[] = {
      {"bad.wmf", "out.dxf", dir.path(), error},
      {"cut.emf", "out.dxf", dir.path(), kBanner + "Unable to emf_proc\nKartex: error!\n"},
      // The vector writer fails after the translation: the temporary file is gone already.
      {"in.wmf", "missing/out.dxf", dir.path(), error},
      {"in.wmf", "missing/out.htm", dir.path(), error},
      // Even root cannot create files in /proc, so this holds whoever runs the tests.
      {dir.File("in.wmf"), dir.File("out.dxf"), "/proc", error},
  };
  for (const Case& c : cases) {
    auto r = RunKartex({c.in, c.out}, c.folder);
    EXPECT_EQ(r.status, 255) << c.in << " " << c.out;
    EXPECT_EQ(r.output, c.output + testing_support::UsageText()) << c.in << " " << c.out;
  }
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"bad.wmf", "cut.emf", "in.wmf"}));
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

// DXF, EMF and WMF drawings to DXF and VML/HTML as a user runs the program.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <utility>
#include <vector>

#include "app/convert.h"
#include "app/options.h"
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

// A red line 200 by 100 and a text.
constexpr char kDrawing[] =
    "  0\nSECTION\n  2\nENTITIES\n"
    "  0\nLINE\n  8\n0\n 62\n1\n 10\n0\n 20\n0\n 11\n200\n 21\n100\n"
    "  0\nTEXT\n  8\n0\n 10\n20\n 20\n40\n 40\n10\n  1\nA<b>&'\n"
    "  0\nENDSEC\n  0\nEOF\n";

// An 8-bit canvas of the default page, as a conversion receives it.
Canvas PageCanvas() {
  Canvas canvas{};
  canvas.width = kDefaultWidth;
  canvas.height = kDefaultHeight;
  canvas.bitsPerPixel = 8;
  canvas.stride = static_cast<int32_t>(RowStride(canvas.width, 8));
  return canvas;
}

// The dialog previews a vector conversion without a name: nothing is written,
// the picture is rendered all the same. The command line asks for no picture:
// the canvas stays as it came.
TEST(VectorOutput, NoOutputNameStillRenders) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), kDrawing);
  for (VectorPicture picture : {VectorPicture::kRender, VectorPicture::kSkip}) {
    bool rendered = picture == VectorPicture::kRender;
    for (int32_t kind : {kKindDxf, kKindVml}) {
      for (const char* name : {"", static_cast<const char*>(nullptr)}) {
        Canvas canvas = PageCanvas();
        EXPECT_EQ(Convert(canvas, dir.File("in.dxf").c_str(), kKindDxf, name, kind, picture), 1);
        EXPECT_EQ(canvas.width, rendered ? 1727 : kDefaultWidth);
        EXPECT_EQ(canvas.height, rendered ? 863 : kDefaultHeight);
        EXPECT_EQ(canvas.pixels != nullptr, rendered);
        FreeCanvas(canvas);
      }
    }
  }
}

// A comma-decimal locale, as the user interface may set, changes no number a
// Gerber file states (aperture sizes, scale factors, coordinates).
TEST(VectorOutput, GerberDecimalsIgnoreTheLocale) {
  TempDir dir;
  WriteFile(dir.File("in.gbr"),
            "%FSLAX23Y23*%%SFA1.5B0.5*%%ADD10C,0.25*%%ADD11R,1.5X0.75*%\n"
            "D10*X1500Y2250D02*X10000Y2000D01*D11*X-2.5Y3.125D03*M02*");
  auto convert = [&](const char* name) {
    Canvas canvas = PageCanvas();
    EXPECT_EQ(Convert(canvas, dir.File("in.gbr").c_str(), kKindGerber, dir.File(name).c_str(), kKindDxf), 1);
    FreeCanvas(canvas);
    return ReadText(dir.File(name));
  };
  const std::string plain = convert("c.dxf");
  ASSERT_NE(plain.find("-1.125000"), std::string::npos);  // 1.5 / 2 x 1.5
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  const std::string german = convert("de.dxf");
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(german, plain);
}

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
  for (auto [in, out] : {std::pair{"in.emf", "emf.dxf"},
                         {"in.emf", "out.htm"},
                         {"plain.wmf", "plain.dxf"},
                         {"placeable.wmf", "placeable.dxf"}}) {
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
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"emf.dxf", "in.emf", "out.htm", "placeable.dxf", "placeable.wmf",
                                                  "plain.dxf", "plain.wmf"}));
}

}  // namespace

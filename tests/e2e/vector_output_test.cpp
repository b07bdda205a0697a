// DXF, EMF and WMF drawings to DXF and VML/HTML as a user runs the program.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/convert.h"
#include "app/options.h"
#include "tests/support/metafile_writer.h"
#include "tests/support/python.h"
#include "tests/support/support.h"
#include "tests/writers/vector/builder.h"

namespace {

using testing_support::EmfWriter;
using testing_support::ReadText;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WmfWriter;
using testing_support::WriteFile;
using vector_test::Crlf;

const std::string kBanner = "Kartex - vector/bitmap convertor\n";

// A red line 200 by 100 and a text of colour 0 with markup characters.
constexpr char kDrawing[] =
    "  0\nSECTION\n  2\nENTITIES\n"
    "  0\nLINE\n  8\n0\n 62\n1\n 10\n0\n 20\n0\n 11\n200\n 21\n100\n"
    "  0\nTEXT\n  8\n0\n 10\n20\n 20\n40\n 40\n10\n  1\nA<b>&'\n"
    "  0\nENDSEC\n  0\nEOF\n";

// The line scaled into the page and the text raised to its baseline, with its markup escaped.
TEST(VectorOutput, DxfToDxfHtmlAndVml) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), kDrawing);
  std::string page = Crlf(
      "<html>\n<head>\n<xml:namespace prefix=\"v\"/>\n<style>\nv\\:* {behavior:url(#default#VML);}\n</style>\n"
      "</head>\n<body>\n<v:background fill='t' fillcolor='#404040'/>"
      "<v:polyline strokecolor='rgb(255,0,0)' strokeweight='0' filled='f'\npoints='0,500,1000,0,'>\n"
      "</v:polyline>\n"
      "<v:shape path='m0,0l1000,0m0,1000l1000,1000e' fillcolor='rgb(0,0,0)' "
      "style='position:absolute;margin-left:100;margin-top:240;width:150;height:50;'>\n"
      "<v:path textpathok='t'/>\n"
      "<v:textpath on='t' fitpath='t' fitshape='t' style='font-family:\"\";' string='A&lt;b&gt;&amp;&#39;'/>\n"
      "</v:shape>\n</body>\n</html>\n");
  for (const char* name : {"out.dxf", "out.htm", "OUT.VML"}) {
    auto r = RunKartex({"in.dxf", name}, dir.path());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, kBanner);
  }
  EXPECT_EQ(ReadText(dir.File("out.htm")), page);
  EXPECT_EQ(ReadText(dir.File("OUT.VML")), page);
  std::string dxf = ReadText(dir.File("out.dxf"));
  EXPECT_NE(dxf.find(Crlf("  0\nVERTEX\n  8\n0\n 62\n1\n 10\n200.000000\n 20\n100.000000\n  0\nSEQEND\n"
                          "  0\nTEXT\n  8\n0\n 10\n20\n 20\n52\n 40\n10\n  62\n0\n 50\n0\n  7\n\n  1\nA<b>&'\n"
                          "  0\nENDSEC\n  0\nEOF\n")),
            std::string::npos);
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
        Canvas canvas{};
        canvas.width = kDefaultWidth;
        canvas.height = kDefaultHeight;
        canvas.bitsPerPixel = 8;
        canvas.stride = static_cast<int32_t>(RowStride(canvas.width, 8));
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
    Canvas canvas{};
    canvas.width = kDefaultWidth;
    canvas.height = kDefaultHeight;
    canvas.bitsPerPixel = 8;
    canvas.stride = static_cast<int32_t>(RowStride(canvas.width, 8));
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

// Every real DXF sample as DXF and as HTML: an independent DXF reader (ezdxf)
// audits each DXF written, and expat parses each page.
TEST(VectorOutput, RealSamplesReadBackElsewhere) {
  std::string folder = testing_support::SamplePath("dxf");
  if (folder.empty()) GTEST_SKIP() << "no samples";
  if (!testing_support::HavePythonModule("ezdxf")) GTEST_SKIP() << "python3-ezdxf is absent";
  TempDir dir;
  int written = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string stem = entry.path().stem().string();
    for (const char* kind : {".dxf", ".htm"}) {
      RunKartex({entry.path().string(), stem + kind}, dir.path());
      written += testing_support::FileExists(dir.File(stem + kind));
    }
  }
  EXPECT_GT(written, 20);
  EXPECT_EQ(testing_support::RunPython(dir.path(),
                                       "import sys, os, ezdxf, xml.parsers.expat\n"
                                       "for name in sorted(os.listdir(sys.argv[1])):\n"
                                       "    path = os.path.join(sys.argv[1], name)\n"
                                       "    try:\n"
                                       "        if name.endswith('.dxf'):\n"
                                       "            errors = ezdxf.readfile(path).audit().errors\n"
                                       "            if errors: print(name, [e.message for e in errors][:3])\n"
                                       "        elif name.endswith('.htm'):\n"
                                       "            xml.parsers.expat.ParserCreate().ParseFile(open(path, 'rb'))\n"
                                       "    except Exception as e:\n"
                                       "        print(name, type(e).__name__, e)\n"
                                       "print('checked')\n",
                                       dir.path()),
            "checked\n");
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

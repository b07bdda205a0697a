#include "writers/vector/vml.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <string>

#include "render/colours.h"
#include "tests/support/python.h"
#include "tests/support/support.h"
#include "tests/writers/vector/builder.h"

namespace {

using namespace vector_test;
using testing_support::ReadText;
using testing_support::TempDir;

constexpr uint32_t kGrey = 0x404040;
const std::string kHead = Crlf(
    "<html>\n<head>\n<xml:namespace prefix=\"v\"/>\n<style>\nv\\:* {behavior:url(#default#VML);}\n</style>\n"
    "</head>\n<body>\n");
const std::string kTail = Crlf("</body>\n</html>\n");

class VmlTest : public ::testing::Test {
 protected:
  void SetUp() override { UseBuiltInColourTable(); }
  std::string Write(uint32_t background = kGrey) {
    EXPECT_EQ(WriteVmlFile(o.d, dir.File("out.htm").c_str(), background), 1);
    return ReadText(dir.File("out.htm"));
  }
  // The shapes between the background and the tail.
  std::string Shapes() {
    std::string page = Write();
    std::string start = kHead + "<v:background fill='t' fillcolor='#404040'/>";
    EXPECT_EQ(page.substr(0, start.size()), start);
    EXPECT_EQ(page.substr(page.size() - kTail.size()), kTail);
    return page.substr(start.size(), page.size() - start.size() - kTail.size());
  }
  // The whole page against a reviewed copy in tests/data/vector. Set
  // KARTEX_REGENERATE=1 to rewrite the copies, then review the diff.
  void ExpectGolden(const std::string& name) {
    std::string path = testing_support::DataPath("vector/" + name), page = Write();
    if (std::getenv("KARTEX_REGENERATE")) testing_support::WriteFile(path, page);
    EXPECT_EQ(page, ReadText(path)) << name;
  }
  OwnedDrawing o;
  TempDir dir;
};

TEST_F(VmlTest, NothingToDrawGivesHeadBackgroundAndTail) {
  o.d.extMin = {0, 0};
  o.d.extMax = {10, 10};
  EXPECT_EQ(Write(), kHead + "<v:background fill='t' fillcolor='#404040'/>" + kTail);
  EXPECT_EQ(Write(0xA0B0C), kHead + "<v:background fill='t' fillcolor='#a0b0c'/>" + kTail);
  // Extents of a drawing without points (min above max), or not finite: the
  // same page, even when items exist.
  AddPolyline(o.d.entities, {{1, 1}, {2, 2}});
  ComputeExtents(EntitySet{}, o.d.extMin, o.d.extMax);
  EXPECT_EQ(Shapes(), "");
  o.d.extMin = {0, std::numeric_limits<double>::quiet_NaN()};
  o.d.extMax = {10, 10};
  EXPECT_EQ(Shapes(), "");
}

TEST_F(VmlTest, PolylinesFitTheSquareWithTheirColourWidthAndDashes) {
  // 2:1 drawing: x spans 0..1000, y 0..500 (downwards).
  o.d.extMin = {-100, 0};
  o.d.extMax = {100, 100};
  int32_t dotted = AddLineType(o.d, "DOT", 2);
  int32_t layer = AddLayer(o.d, "L", 3, dotted);
  AddPolyline(o.d.entities, {{-100, 0}, {100, 100}, {0, 50}}, 1, 0, 0, 0.5);
  AddPolyline(o.d.entities, {{-100, 100}}, 0, layer);
  AddPolyline(o.d.entities, {}, 5, 0, AddLineType(o.d, "DASHED", 1));
  AddPolyline(o.d.entities, {}, 5, 0, AddLineType(o.d, "DASHDOT", 3));
  AddPolyline(o.d.entities, {}, 5, 0, AddLineType(o.d, "ODD", 7));
  // Colour, width and dash of each line, fitted to the 1000-unit square.
  ExpectGolden("polylines.htm");
}

TEST_F(VmlTest, ColoursComeFromTheCurrentTable) {
  ColourRef table[256] = {};
  table[9] = MakeColourRef(1, 2, 3);
  SetCurrentColourTable(table);
  o.d.extMin = {0, 0};
  o.d.extMax = {1, 1};
  AddPolyline(o.d.entities, {{0, 0}}, 9);
  AddText(o.d.entities, "", 0, 1, 0, 9);
  std::string shapes = Shapes();
  SetCurrentColourTable(nullptr);
  EXPECT_NE(shapes.find("strokecolor='rgb(1,2,3)'"), std::string::npos);
  EXPECT_NE(shapes.find("fillcolor='rgb(1,2,3)'"), std::string::npos);
}

TEST_F(VmlTest, ZeroWidthOrHeightTakesTheOtherAxis) {
  o.d.extMin = {5, 0};
  o.d.extMax = {5, 10};
  AddPolyline(o.d.entities, {{5, 0}, {5, 10}});
  EXPECT_EQ(Shapes(), Crlf("<v:polyline strokecolor='rgb(255,255,255)' strokeweight='0' filled='f'\n"
                           "points='0,1000,0,0,'>\n</v:polyline>\n"));
  o.d.extMin = {0, 3};
  o.d.extMax = {4, 3};
  o.d.entities.polylines[0].points[0] = {0, 3};
  o.d.entities.polylines[0].points[1] = {4, 3};
  EXPECT_EQ(Shapes(), Crlf("<v:polyline strokecolor='rgb(255,255,255)' strokeweight='0' filled='f'\n"
                           "points='0,0,1000,0,'>\n</v:polyline>\n"));
}

TEST_F(VmlTest, TextBoxesAndRotations) {
  o.d.extMin = {0, 0};
  o.d.extMax = {1000, 500};  // scale 1
  int32_t style = AddStyle(o.d, "S", "Arial");
  AddText(o.d.entities, "abcd", 10, 490, 20, 1, style, 45.05 * std::numbers::pi / 180);
  AddText(o.d.entities, "xyz", 0, 500, 7, 1);
  AddText(o.d.entities, "r", 0, 500, 7, 1, 0, -95.0 * std::numbers::pi / 180);
  // Boxes from the height and the length; rotations in whole degrees, clockwise.
  ExpectGolden("texts.htm");
}

// Markup in a text or face stays inside its attribute, escaped; the page stays
// ASCII; and an independent parser (expat) gives each string back whole.
TEST_F(VmlTest, HostileStringsStayInsideTheirAttributes) {
  o.d.extMin = {0, 0};
  o.d.extMax = {100, 100};
  int32_t style = AddStyle(o.d, "S", "F\"a'c<e>\\&\x01");
  AddText(o.d.entities, "x'/><script>alert(\"&amp;\")</script><v:shape a='", 0, 100, 10, 1, style);
  AddText(o.d.entities, "tab\there\r\n\x02 \xB0\x80\x81\xFF", 0, 100, 10, 1);
  std::string shapes = Shapes();
  EXPECT_EQ(shapes.find("<script"), std::string::npos);
  EXPECT_NE(shapes.find("style='font-family:\"F\\22 a&#39;c&lt;e&gt;\\5c &amp;\\1 \";' "
                        "string='x&#39;/&gt;&lt;script&gt;alert(&quot;&amp;amp;&quot;)&lt;/script&gt;"
                        "&lt;v:shape a=&#39;'"),
            std::string::npos);
  EXPECT_NE(shapes.find("string='tab&#9;here&#13;&#10;&#65533; &#176;&#8364;&#65533;&#255;'"), std::string::npos);
  for (unsigned char c : shapes) ASSERT_LT(c, 0x80) << "the page stays ASCII";

  if (!testing_support::FileExists(testing_support::kPython)) GTEST_SKIP() << "python3 is absent";
  EXPECT_EQ(
      testing_support::RunPython(dir.path(),
                                 "import sys, xml.parsers.expat\n"
                                 "p = xml.parsers.expat.ParserCreate()\n"
                                 "def start(name, attrs):\n"
                                 "    if name == 'v:textpath': print(ascii(attrs['style']), ascii(attrs['string']))\n"
                                 "    elif name not in ('html','head','xml:namespace','style','body',\n"
                                 "                      'v:background','v:shape','v:path'): print(name)\n"
                                 "p.StartElementHandler = start\n"
                                 "p.ParseFile(open(sys.argv[1], 'rb'))\n",
                                 dir.File("out.htm")),
      "'font-family:\"F\\\\22 a\\'c<e>\\\\5c &\\\\1 \";' "
      "'x\\'/><script>alert(\"&amp;\")</script><v:shape a=\\''\n"
      "'font-family:\"\";' 'tab\\there\\r\\n\\ufffd \\xb0\\u20ac\\ufffd\\xff'\n");
}

// Values far outside the extents, or not numbers at all, are clamped rather
// than overflowing the integers the page holds.
TEST_F(VmlTest, GiantAndNonFiniteValuesAreClamped) {
  o.d.extMin = {0, 0};
  o.d.extMax = {1, 1};
  AddPolyline(o.d.entities, {{1e300, -1e300}, {std::nan(""), 0}}, 1, 0, 0, 1e300);
  AddText(o.d.entities, std::string(5000, 'w').c_str(), 0, 1, 1e30, 1, 0, 1e300);
  std::string shapes = Shapes();
  EXPECT_NE(shapes.find("strokeweight='1000000000' filled='f'\r\npoints='1000000000,1000000000,0,1000,'"),
            std::string::npos);
  EXPECT_NE(shapes.find("width:1000000000;height:1000000000;rotation:-100000000deg;"), std::string::npos);
}

}  // namespace

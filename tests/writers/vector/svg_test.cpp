#include "writers/vector/svg.h"

#include <gtest/gtest.h>

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

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" xml:space=\"preserve\" ";

// Each element as an XML parser (expat, through ElementTree) reads it, one a
// line: tag, then attributes sorted, then text. A text's baseline is given as
// its drop below the reference point in ems, rounded: fonts differ in ascent.
constexpr char kDump[] =
    "import sys, xml.etree.ElementTree as ET\n"
    "for e in ET.parse(sys.argv[1]).getroot().iter():\n"
    "    a = dict(e.attrib)\n"
    "    if e.tag.endswith('text'):\n"
    "        ref = a['transform'].split()[2][:-1] if 'transform' in a else None\n"
    "        a['y'] = 'drop %.1f' % ((float(a['y']) - float(ref or a['y'])) / float(a['font-size']))\n"
    "    print(e.tag.split('}')[1], sorted(a.items()), ascii(e.text.strip() if e.text else ''))\n";

TEST(SvgWriter, NothingToDrawGivesAnEmptyPage) {
  UseBuiltInColourTable();
  OwnedDrawing o;
  TempDir dir;
  ComputeExtents(EntitySet{}, o.d.extMin, o.d.extMax);  // no points: nothing to fit
  ASSERT_EQ(WriteSvgFile(o.d, dir.File("out.svg").c_str(), 0x404040), 1);
  EXPECT_EQ(ReadText(dir.File("out.svg")), kHead +
                                               "width=\"1000\" height=\"1000\" viewBox=\"0 0 1000 1000\">\n"
                                               "<rect width=\"100%\" height=\"100%\" fill=\"#404040\"/>\n</svg>\n");
  EXPECT_EQ(WriteSvgFile(o.d, dir.File("missing/out.svg").c_str(), 0), 0);
}

// Pens, fills, a turned text and hostile strings, as a parser reads them back.
TEST(SvgWriter, ElementsCarryThePensTextsAndEscapedStrings) {
  if (!testing_support::FileExists(testing_support::kPython)) GTEST_SKIP() << "python3 is absent";
  UseBuiltInColourTable();
  OwnedDrawing o;
  TempDir dir;
  o.d.extMin = {0, 0};
  o.d.extMax = {100, 50};  // 10 units per drawing unit: a 1000 x 500 page
  AddPolyline(o.d.entities, {{0, 50}, {100, 0}}, 1);
  AddPolyline(o.d.entities, {{0, 0}, {10, 0}}, 3, 0, AddLineType(o.d, "DASHED", 1));
  AddPolyline(o.d.entities, {{0, 0}, {10, 0}}, 5, 0, AddLineType(o.d, "DOTTED", 2), 0.5);
  AddPolyline(o.d.entities, {{0, 0}, {10, 0}, {10, 10}}, 2);
  o.d.entities.polylines[3].filled = 1;
  AddPolyline(o.d.entities, {{5, 5}});  // one point: draws nothing
  AddText(o.d.entities, "a<b>&\"'\x80\xB0\x01 z", 10, 40, 2, 1, AddStyle(o.d, "S", "F\"o<o"),
          30 * std::numbers::pi / 180);
  ASSERT_EQ(WriteSvgFile(o.d, dir.File("out.svg").c_str(), 0x123456), 1);
  EXPECT_EQ(testing_support::RunPython(dir.path(), kDump, dir.File("out.svg")),
            "svg [('height', '500'), ('version', '1.1'), ('viewBox', '0 0 1000 500'), ('width', '1000'), "
            "('{http://www.w3.org/XML/1998/namespace}space', 'preserve')] ''\n"
            "rect [('fill', '#123456'), ('height', '100%'), ('width', '100%')] ''\n"
            "g [('fill', 'none'), ('transform', 'translate(0.5 0.5)')] ''\n"
            "polyline [('points', '0,0 1000,500'), ('stroke', '#ff0000')] ''\n"
            "polyline [('points', '0,500 100,500'), ('stroke', '#00ff00'), ('stroke-dasharray', '18,6')] ''\n"
            "polyline [('points', '0,500 100,500'), ('stroke', '#0000ff'), ('stroke-linecap', 'round'), "
            "('stroke-linejoin', 'round'), ('stroke-width', '5')] ''\n"
            "polygon [('fill', '#ffff00'), ('fill-rule', 'evenodd'), ('points', '0,500 100,500 100,400'), "
            "('stroke', '#ffff00')] ''\n"
            "text [('fill', '#ff0000'), ('font-family', '\"F\\\\22 o<o\", sans-serif'), ('font-size', '20'), "
            "('transform', 'rotate(-30 100 100)'), ('x', '100'), ('y', 'drop 0.9')] "
            "'a<b>&\"\\'\\u20ac\\xb0\\ufffd z'\n");
}

}  // namespace

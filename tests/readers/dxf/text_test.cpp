#include <gtest/gtest.h>

#include <string>

#include "tests/readers/dxf/dxf_test_util.h"

namespace {

using dxf_test::EntitiesFile;
using dxf_test::L;
using dxf_test::Read;

// The dump of the items of one entity given as lines; "|" separates lines, so
// MTEXT contents with a bar are passed in `content` on their own.
std::string Texts(const std::string& entity, const std::string& content = "") {
  std::string body = L(entity);
  if (!content.empty()) body += "1\n" + content + "\n";
  Read r(EntitiesFile(body));
  EXPECT_TRUE(r.ok);
  return r.Entities();
}

// One line of the dump for a text item on layer 0.
std::string Item(const char* at, const char* text, const char* height = "1", const char* rotation = "0", int colour = 0,
                 int style = 0) {
  return std::string("text ") + at + " height " + height + " rotation " + rotation + " colour " +
         std::to_string(colour) + " layer 0 style " + std::to_string(style) + " \"" + text + "\"\n";
}

TEST(TextEntity, PlacementAndAlignment) {
  const std::pair<const char*, std::string> cases[] = {
      {"0|TEXT|10|0|20|0|40|2|1|Hi", Item("(0,2.4)", "Hi", "2")},
      {"0|TEXT|10|99|20|99|40|1|1|ABCD|72|1|11|10|21|0", Item("(8,1.2)", "ABCD")},
      {"0|TEXT|10|99|20|99|40|1|1|AB|72|2|11|10|21|0|50|90|62|5", Item("(8,1.2)", "AB", "1", "1.57079633", 5)},
      {"0|TEXT|40|1|1|T|72|0|73|3|11|5|21|5", Item("(5,5.2)", "T")},
      {"0|TEXT|40|1|1|T|73|1|11|5|21|5", Item("(5,6.4)", "T")},
      // Middle (72 = 4) centres on the alignment point, half a height down.
      {"0|ATTRIB|2|TAG|40|1|1|MM|72|4|11|5|21|5", Item("(5,5.6)", "MM")},
      // TEXT ignores the attachment point, and its default height is 0.5.
      {"0|TEXT|71|5|1|x", Item("(0,0.6)", "x", "0.5")},
      {"0|MTEXT|10|0|20|0|40|1|71|5|3|AB|1|CD", Item("(-2,0.8)", "ABCD")},
      {"0|MTEXT|40|1|71|9|1|X|11|0|21|1", Item("(-1,1.4)", "X", "1", "1.57079633")},
      {"0|MTEXT|40|1|50|45|72|2|1|X", Item("(0,0.2)", "X", "1", "3.14159265")},
      // Paragraphs start new lines; colours follow braces.
      {"0|MTEXT|10|3|20|10|40|2|1|Line1\\PLine2\\P\\PEnd",
       Item("(3,10.4)", "Line1", "2") + Item("(3,8.4)", "Line2", "2") + Item("(3,6.4)", "End", "2")},
      {"0|MTEXT|40|1|62|4|1|{\\C1;AB}CD\\c3;E",
       Item("(0,0.2)", "AB", "1", "0", 1) + Item("(3,0.2)", "CD") + Item("(5,0.2)", "E", "1", "0", 3)},
  };
  for (const auto& [entity, expected] : cases) EXPECT_EQ(Texts(entity), expected) << entity;
}

TEST(MTextEntity, InlineCodes) {
  const std::pair<const char*, const char*> cases[] = {
      {"\\L%%D%%d%%C%%%%%065%%p\\l", "\\xB0\\xB0\\xD8%Ap"},
      {"\\O\\U+00B0\\U+20ac\\U+4E2D\\U+00zz\\{a\\}\\\\~%%", "\\xB0\\x80??{a}\\\\~"},
      {"\\\\P%%d\\P", "\\\\\\\\P%%d\\\\P"},
      {"\\H2.5x;big\\A1;1\\S1/2;x", "big1x"},  // dropped codes
      {"ab\\Xcd{ef}", "ef"},                   // an unknown code gives up the text up to the next break
      {"A\\fArial", "A"},                      // a font or colour code without its ";" ends the content
      {"A\\C1", "A"},
      {"A\\H1;B\\", "AB\\\\"},  // a final backslash stays
      {"\\LA%%000B", "AB"},     // %%000 would be a NUL: dropped rather than cutting the text
  };
  for (auto [content, text] : cases) EXPECT_EQ(Texts("0|MTEXT|40|1", content), Item("(0,0.2)", text)) << content;
}

TEST(MTextEntity, DeepBracesAndLongContent) {
  std::string deep(40, '{');
  deep += "\\C2;x" + std::string(40, '}') + "y";
  std::string dump = Texts("0|MTEXT|40|1", deep);
  EXPECT_NE(dump.find("colour 2 layer 0 style 0 \"x\""), std::string::npos);
  EXPECT_NE(dump.find("colour 0 layer 0 style 0 \"y\""), std::string::npos);
  // Pieces that would overflow the content are dropped whole.
  std::string piece(600, 'a');
  Read r(EntitiesFile("0\nMTEXT\n3\n" + piece + "\n3\n" + std::string(600, 'b') + "\n1\nc\n"));
  ASSERT_EQ(r.d.entities.texts.count, 1);
  EXPECT_EQ(std::string(r.d.entities.pool.data), piece + "c");
}

}  // namespace

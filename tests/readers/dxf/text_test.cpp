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

TEST(TextEntity, PlacementAndAlignment) {
  EXPECT_EQ(Texts("0|TEXT|10|0|20|0|40|2|1|Hi"),
            "text (0,2.4) height 2 rotation 0 colour 0 layer 0 style 0 \"Hi\"\n");
  EXPECT_EQ(Texts("0|TEXT|10|99|20|99|40|1|1|ABCD|72|1|11|10|21|0"),
            "text (8,1.2) height 1 rotation 0 colour 0 layer 0 style 0 \"ABCD\"\n");
  EXPECT_EQ(Texts("0|TEXT|10|99|20|99|40|1|1|AB|72|2|11|10|21|0|50|90|62|5"),
            "text (8,1.2) height 1 rotation 1.57079633 colour 5 layer 0 style 0 \"AB\"\n");
  EXPECT_EQ(Texts("0|TEXT|40|1|1|T|72|0|73|3|11|5|21|5"),
            "text (5,5.2) height 1 rotation 0 colour 0 layer 0 style 0 \"T\"\n");
  EXPECT_EQ(Texts("0|TEXT|40|1|1|T|73|1|11|5|21|5"),
            "text (5,6.4) height 1 rotation 0 colour 0 layer 0 style 0 \"T\"\n");
  // Middle (72 = 4) centres on the alignment point, half a height down.
  EXPECT_EQ(Texts("0|ATTRIB|2|TAG|40|1|1|MM|72|4|11|5|21|5"),
            "text (5,5.6) height 1 rotation 0 colour 0 layer 0 style 0 \"MM\"\n");
  // TEXT ignores the attachment point, and its default height is 0.5.
  EXPECT_EQ(Texts("0|TEXT|71|5|1|x"), "text (0,0.6) height 0.5 rotation 0 colour 0 layer 0 style 0 \"x\"\n");
}

TEST(MTextEntity, AttachmentPiecesAndDirection) {
  EXPECT_EQ(Texts("0|MTEXT|10|0|20|0|40|1|71|5|3|AB|1|CD"),
            "text (-2,0.8) height 1 rotation 0 colour 0 layer 0 style 0 \"ABCD\"\n");
  EXPECT_EQ(Texts("0|MTEXT|40|1|71|9|1|X|11|0|21|1"),
            "text (-1,1.4) height 1 rotation 1.57079633 colour 0 layer 0 style 0 \"X\"\n");
  EXPECT_EQ(Texts("0|MTEXT|40|1|50|45|72|2|1|X"),
            "text (0,0.2) height 1 rotation 3.14159265 colour 0 layer 0 style 0 \"X\"\n");
}

TEST(MTextEntity, ParagraphsStartNewLines) {
  EXPECT_EQ(Texts("0|MTEXT|10|3|20|10|40|2", "Line1\\PLine2\\P\\PEnd"),
            "text (3,10.4) height 2 rotation 0 colour 0 layer 0 style 0 \"Line1\"\n"
            "text (3,8.4) height 2 rotation 0 colour 0 layer 0 style 0 \"Line2\"\n"
            "text (3,6.4) height 2 rotation 0 colour 0 layer 0 style 0 \"End\"\n");
}

TEST(MTextEntity, FontsMakeOneStylePerFace) {
  Read r(EntitiesFile(L("0|MTEXT|40|1") + "1\n{\\fArial|b0|i0;Hi}{\\fArial|b1;Yo}\\F txt.shx;Z\n"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.All(),
            "extents (0,-0.8) (6.6,0.2)\n"
            "style 1 \"Arial\" face \"Arial\"\n"
            "style 2 \"txt\" face \"txt\"\n"
            "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 1 \"Hi\"\n"
            "text (3,0.2) height 1 rotation 0 colour 0 layer 0 style 1 \"Yo\"\n"
            "text (6,0.2) height 1 rotation 0 colour 0 layer 0 style 2 \"Z\"\n");
}

TEST(MTextEntity, ColoursFollowBraces) {
  EXPECT_EQ(Texts("0|MTEXT|40|1|62|4", "{\\C1;AB}CD\\c3;E"),
            "text (0,0.2) height 1 rotation 0 colour 1 layer 0 style 0 \"AB\"\n"
            "text (3,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"CD\"\n"
            "text (5,0.2) height 1 rotation 0 colour 3 layer 0 style 0 \"E\"\n");
}

TEST(MTextEntity, SpecialCharacters) {
  EXPECT_EQ(Texts("0|MTEXT|40|1", "\\L%%D%%d%%C%%%%%065%%p\\l"),
            "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"\\xB0\\xB0\\xD8%Ap\"\n");
  EXPECT_EQ(Texts("0|MTEXT|40|1", "\\O\\U+00B0\\U+20ac\\U+4E2D\\U+00zz\\{a\\}\\\\~%%"),
            "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"\\xB0\\x80??{a}\\\\~\"\n");
  // Plain contents keep their codes as written.
  EXPECT_EQ(Texts("0|TEXT|40|1|1|45%%d"), "text (0,1.2) height 1 rotation 0 colour 0 layer 0 style 0 \"45%%d\"\n");
  EXPECT_EQ(Texts("0|MTEXT|40|1", "\\\\P%%d\\P"),
            "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"\\\\\\\\P%%d\\\\P\"\n");
}

TEST(MTextEntity, DroppedCodesAndUnendedCodes) {
  EXPECT_EQ(Texts("0|MTEXT|40|1", "\\H2.5x;big\\A1;1\\S1/2;x"),
            "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"big1x\"\n");
  // An unknown code gives up the text up to the next break.
  EXPECT_EQ(Texts("0|MTEXT|40|1", "ab\\Xcd{ef}"),
            "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"ef\"\n");
  // A font or colour code without its ";" ends the content.
  EXPECT_EQ(Texts("0|MTEXT|40|1", "A\\fArial"), "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"A\"\n");
  EXPECT_EQ(Texts("0|MTEXT|40|1", "A\\C1"), "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"A\"\n");
  // A final backslash stays.
  EXPECT_EQ(Texts("0|MTEXT|40|1", "A\\H1;B\\"),
            "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"AB\\\\\"\n");
  // %%000 would be a NUL: dropped rather than cutting the text.
  EXPECT_EQ(Texts("0|MTEXT|40|1", "\\LA%%000B"), "text (0,0.2) height 1 rotation 0 colour 0 layer 0 style 0 \"AB\"\n");
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

TEST(TextEntity, StyleAndLayerLookups) {
  Read r(L("0|SECTION|2|TABLES|0|TABLE|2|STYLE|70|1|0|STYLE|2|Standard|3|txt|0|STYLE|2|Fancy|3|f.ttf|1001|ACAD"
           "|1000|Arial Narrow|0|ENDTAB|0|TABLE|2|LAYER|0|LAYER|2|T|62|7|0|ENDTAB|0|ENDSEC") +
         EntitiesFile(L("0|TEXT|7|Fancy|8|T|1|a|0|TEXT|7|BYLAYER|1|b")));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.All(),
            "extents (0,0.1) (0.3,0.6)\n"
            "layer 1 \"T\\n\" colour 7 linetype 0\n"
            "style 1 \"Standard\\n\" face \"\"\n"
            "style 2 \"Fancy\\n\" face \"Arial Narrow\"\n"
            "text (0,0.6) height 0.5 rotation 0 colour 0 layer 1 style 2 \"a\"\n"
            "text (0,0.6) height 0.5 rotation 0 colour 0 layer 0 style 0 \"b\"\n");
}

}  // namespace

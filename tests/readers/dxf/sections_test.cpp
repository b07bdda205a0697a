#include <gtest/gtest.h>

#include <string>

#include "readers/dxf/dxf.h"
#include "tests/readers/dxf/dxf_test_util.h"

namespace {

using dxf_test::EntitiesFile;
using dxf_test::L;
using dxf_test::Read;

std::string Header(const char* min, const char* max) {
  return L(std::string("0|SECTION|2|HEADER|9|$ACADVER|1|AC1009|9|$EXTMIN|10|") + min + "|9|$EXTMAX|10|" + max +
           "|0|ENDSEC");
}

std::string ExtentsOf(const std::string& text) {
  Read r(text);
  EXPECT_TRUE(r.ok);
  return r.All().substr(0, r.All().find('\n'));
}

TEST(HeaderExtents, KeptWhenValidElseComputed) {
  const std::string line = EntitiesFile(L("0|LINE|10|-5|20|-5|11|200|21|70"));
  EXPECT_EQ(ExtentsOf(Header("0|20|0", "100|20|50") + line), "extents (0,0) (100,50)");
  // Empty, inverted, too thin or non-finite: computed from the entities.
  for (auto [min, max] : {std::pair{"3|20|3", "3|20|3"}, {"10|20|10", "0|20|20"}, {"0|20|0", "100|20|0.0000001"},
                          {"nan|20|0", "100|20|50"}, {"-inf|20|0", "100|20|50"}})
    EXPECT_EQ(ExtentsOf(Header(min, max) + line), "extents (-5,-5) (200,70)") << min << " " << max;
  // Only groups 10 and 20 right after the variable count: the 30 ends it.
  EXPECT_EQ(ExtentsOf(L("0|SECTION|2|HEADER|9|$EXTMIN|20|1|10|1|30|0|20|9|9|$EXTMAX|10|4|20|5|0|ENDSEC") + line),
            "extents (1,1) (4,5)");
  // Without an ENTITIES section the header stands, or nothing.
  EXPECT_EQ(ExtentsOf(L("0|EOF")), "extents (0,0) (0,0)");
}

TEST(ComputedExtents, CoverTextsAndInsertedBlocks) {
  EXPECT_EQ(ExtentsOf(EntitiesFile(L("0|TEXT|10|4|20|-1|40|1|1|a|0|TEXT|10|-2|20|3|40|1|1|b"))),
            "extents (-2,-0.8) (4.6,4.2)");
  std::string blocks = L("0|SECTION|2|BLOCKS|0|BLOCK|2|B|10|0|20|0|0|LINE|10|0|20|0|11|1|21|2|0|ENDBLK|0|ENDSEC");
  EXPECT_EQ(ExtentsOf(blocks + EntitiesFile(L("0|INSERT|2|B|10|10|20|10|41|2|42|3"))), "extents (10,10) (12,16)");
  // A quarter turn counter-clockwise takes (1,2) to (-2,1).
  EXPECT_EQ(ExtentsOf(blocks + EntitiesFile(L("0|INSERT|2|B|50|90"))), "extents (-2,0) (0,1)");
}

TEST(Tables, LineTypesLayersAndStyles) {
  Read r(L("0|SECTION|2|TABLES|0|TABLE|2|LAYER|0|LAYER|2|EARLY|6|DASHED|0|ENDTAB"
           "|0|TABLE|2|LTYPE|70|4|0|LTYPE|2|CONTINUOUS|73|0|40|0|0|LTYPE|2|DASHED|73|2|49|0.5|49|-0.25"
           "|0|LTYPE|2|DOT|73|2|49|0.0|49|-0.25|0|LTYPE|2|CENTER|73|4|49|1|49|-1|49|0.1|49|-1|0|LTYPE|3|described"
           "|0|ENDTAB|0|TABLE|2|LTYPE|0|ENDTAB"
           "|0|TABLE|2|LAYER|0|LAYER|2|A|62|-3|6|DOT|0|LAYER|2|B|62|300|6|BYBLOCK|0|LAYER|2|C|62|-99999999999|0|ENDTAB"
           "|0|TABLE|2|VPORT|0|VPORT|2|LAYER|0|ENDTAB"
           "|0|TABLE|2|STYLE|0|STYLE|2|S|3|s.ttf|1000|Arial|0|STYLE|3|only.ttf|0|ENDTAB|0|ENDSEC|0|EOF"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.All(),
            "extents (0,0) (0,0)\n"
            "linetype 1 \"CONTINUOUS\\n\" pen 0\n"
            "linetype 2 \"DASHED\\n\" pen 1\n"
            "linetype 3 \"DOT\\n\" pen 2\n"
            "linetype 4 \"CENTER\\n\" pen 3\n"
            "linetype 5 \"described\\n\" pen 0\n"
            "layer 1 \"EARLY\\n\" colour 0 linetype 0\n"
            "layer 2 \"A\\n\" colour 3 linetype 3\n"
            "layer 3 \"B\\n\" colour 255 linetype 0\n"
            "layer 4 \"C\\n\" colour 255 linetype 0\n"
            "style 1 \"S\\n\" face \"Arial\"\n"
            "style 2 \"only.ttf\\n\" face \"\"\n");
}

TEST(Blocks, KeptNamedPlacedInOrder) {
  Read r(dxf_test::Section("ENTITIES", L("0|INSERT|2|EARLY")) +
         L("0|SECTION|2|BLOCKS|0|BLOCK|2|EARLY|0|LINE|11|1|21|1|0|ENDBLK"
           "|0|BLOCK|2|EMPTY|0|POINT|10|1|20|1|0|DIMENSION|0|ENDBLK"
           "|0|BLOCK|3|ALT|0|INSERT|2|EARLY|0|TEXT|1|t|0|ENDBLK"
           "|0|BLOCK|2|*D1|0|ARC|40|1|50|0|51|1|0|ENDBLK|0|ENDSEC") +
         EntitiesFile(L("0|INSERT|2|EMPTY|0|INSERT|2|ALT|10|1|20|2|50|30|0|INSERT|2|NONE|0|INSERT|2|EARLY"
                        "|41|2|2|NONE|0|ATTRIB|1|v|0|SEQEND")));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.All(),
            "extents (0,0.1) (2,2.51961524)\n"
            "block 0 \"EARLY\\n\"\n"
            "  polyline layer 0 colour 0 linetype 0 width 0: (1,1)\n"
            "block 1 \"ALT\\n\"\n"
            "  text (0,0.6) height 0.5 rotation 0 colour 0 layer 0 style 0 \"t\"\n"
            "block 2 \"*D1\\n\"\n"
            "  polyline layer 0 colour 0 linetype 0 width 0: (0.999847695,0.0174524064) (1,0)\n"
            "text (0,0.6) height 0.5 rotation 0 colour 0 layer 0 style 0 \"v\"\n"
            "insert block 1 at (1,2) scale (1,1) rotation -0.523598776\n"
            "insert block 0 at (0,0) scale (2,1) rotation 0\n");
}

TEST(LongNames, CutToTheFieldAndStillFound) {
  std::string name(300, 'N');
  Read r("0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\n" + name + "\n62\n5\n0\nENDTAB\n0\nENDSEC\n" +
         "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\n" + name + "\n0\nLINE\n8\n" + name + "\n0\nENDBLK\n0\nENDSEC\n" +
         EntitiesFile("0\nINSERT\n2\n" + name + "\n"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(std::string(r.d.layers[1].name), std::string(127, 'N'));
  EXPECT_EQ(r.d.inserts.count, 1);
  EXPECT_EQ(r.d.blocks[0].entities.polylines[0].layer, 1);
}

TEST(Files, FailuresAndTheirMessages) {
  testing_support::TempDir dir;
  testing_support::WriteFile(dir.File("noeof.dxf"), EntitiesFile(L("0|LINE|11|1|21|1")).substr(0, 40));
  testing_support::WriteFile(dir.File("ok.dxf"), EntitiesFile(L("0|LINE|11|1|21|1")));
  for (auto [name, ok, message] : {std::tuple{"missing.dxf", 0, "Unable to fopen " + dir.File("missing.dxf") + "\n"},
                                   {"noeof.dxf", 0, std::string("Unable to dxf_proc\n")},
                                   {"ok.dxf", 1, std::string()}}) {
    Drawing d;
    testing::internal::CaptureStdout();
    EXPECT_EQ(dxf_proc(dir.File(name).c_str(), &d), ok) << name;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), message);
    EXPECT_EQ(d.entities.polylines.count, ok) << name;  // a failure keeps nothing
    EXPECT_EQ(d.layers.count, ok) << name;
    if (!ok) {
      EXPECT_EQ(d.lineTypes.data, nullptr) << name;
      EXPECT_EQ(d.entities.polylines.data, nullptr) << name;
    }
    DrawingFree(&d);
  }
}

TEST(Files, TruncatedAnywhereFailsCleanly) {
  std::string full = Header("0|20|0", "1|20|1") +
                     L("0|SECTION|2|TABLES|0|TABLE|2|LAYER|0|LAYER|2|A|0|ENDTAB|0|ENDSEC"
                       "|0|SECTION|2|BLOCKS|0|BLOCK|2|B|0|TEXT|1|x|0|ENDBLK|0|ENDSEC") +
                     EntitiesFile(L("0|POLYLINE|0|VERTEX|10|1|20|1|0|SEQEND|0|MTEXT|1|\\Pa|0|INSERT|2|B"));
  ASSERT_TRUE(Read(full).ok);
  // Every cut before the final EOF loses the file; nothing survives.
  for (size_t n = 0; n + 4 < full.size(); ++n) {
    Read r(full.substr(0, n));
    ASSERT_FALSE(r.ok) << n;
    ASSERT_EQ(r.d.blocks.data, nullptr);
  }
  // Nothing after the EOF group is read.
  EXPECT_TRUE(Read(L("0|EOF|0|SECTION|2|ENTITIES")).ok);
}

TEST(Files, BinaryJunkAndOneLongLine) {
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>((i * 7919) % 256);
  EXPECT_FALSE(Read(junk).ok);
  EXPECT_FALSE(Read(std::string(3000000, 'x')).ok);
  EXPECT_TRUE(Read(EntitiesFile("999\n" + std::string(100000, '0') + "\n")).ok);
}

// The real-world samples, when present: the damaged ones fail, the rest read.
TEST(Samples, ReadOrFailCleanly) {
  struct Case {
    const char* name;
    int ok;
    int minPolylines, minTexts, minBlocks;
  };
  const Case cases[] = {
      {"deb-librecad__A0H.dxf", 1, 4000, 0, 1},
      {"deb-librecad__Relay-2p2w.dxf", 1, 29, 6, 0},
      {"deb-librecad__evd13.dxf", 1, 27, 0, 0},
      {"dxfparser__blocks.dxf", 1, 0, 0, 100},
      {"dxfparser__polylines.dxf", 1, 12, 0, 0},
      {"ezdxf__AC1003_LINE_Example.dxf", 1, 22, 0, 0},
      {"ezdxf__Minimal_DXF_AC1006.dxf", 1, 3, 0, 0},
      {"ezdxf__bin_dxf_r12.dxf", 0, 0, 0, 0},
      {"ezdxf__duplicate_handles.dxf", 1, 119, 19, 0},
      {"ezdxf__insert_bricscad_level_1.dxf", 1, 6, 12, 1},
      {"ezdxf__recover01.dxf", 0, 0, 0, 0},
      {"ezdxf__text_alignments.dxf", 1, 42, 16, 0},
      {"ezdxf__wipeout_door.dxf", 1, 140, 4, 1},
      {"gen-pcbrnd306__numpres.dxf", 1, 1135, 0, 0},
      {"gen-pstoedit378-dxf_s__dartboard.dxf", 1, 209, 20, 0},
      {"langmuir__FINGERPRINT.dxf", 1, 249, 0, 0},
      {"langmuir__Vesa_Mount.dxf", 1, 7, 0, 0},
      {"libdxf__all_R10_entities.dxf", 1, 3, 2, 1},
      {"libdxf__qcad-example_R12.dxf", 1, 27, 3, 0},
      {"librecad__dim_sample.dxf", 1, 10, 0, 1},
  };
  int seen = 0;
  for (const Case& c : cases) {
    std::string path = testing_support::SamplePath(std::string("dxf/") + c.name);
    if (path.empty() || !testing_support::FileExists(path)) continue;
    ++seen;
    Drawing d;
    testing::internal::CaptureStdout();
    int ok = dxf_proc(path.c_str(), &d);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ok, c.ok) << c.name;
    EXPECT_EQ(out, c.ok ? "" : "Unable to dxf_proc\n") << c.name;
    if (ok) {
      EXPECT_GE(d.entities.polylines.count, c.minPolylines) << c.name;
      EXPECT_GE(d.entities.texts.count, c.minTexts) << c.name;
      EXPECT_GE(d.blocks.count, c.minBlocks) << c.name;
      EXPECT_LE(d.extMin.x, d.extMax.x) << c.name;
    }
    DrawingFree(&d);
  }
  if (seen == 0) GTEST_SKIP() << "no samples";
}

}  // namespace

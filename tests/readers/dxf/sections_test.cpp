#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <set>
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
  for (auto [min, max] : {std::pair{"3|20|3", "3|20|3"},
                          {"10|20|10", "0|20|20"},
                          {"0|20|0", "100|20|0.0000001"},
                          {"nan|20|0", "100|20|50"},
                          {"-inf|20|0", "100|20|50"}})
    EXPECT_EQ(ExtentsOf(Header(min, max) + line), "extents (-5,-5) (200,70)") << min << " " << max;
  // Header extents that hold no part of the drawing strictly inside are stale.
  const std::string box = Header("0|20|0", "10|20|10");
  const std::string far = "|0|LINE|10|20|20|20|11|30|21|30";
  const std::string blocks = L("0|SECTION|2|BLOCKS|0|BLOCK|2|B|0|LINE|10|100|20|100|11|101|21|101|0|ENDBLK|0|ENDSEC");
  for (auto [body, extents] : {
           std::pair{std::string("0|LINE|10|20|20|20|11|30|21|30"), "extents (20,20) (30,30)"},
           {"0|LINE|10|-5|20|5|11|15|21|5", "extents (0,0) (10,10)"},  // crosses, no point inside
           {"0|LINE|10|0|20|-5|11|0|21|20", "extents (0,-5) (0,20)"},  // along the edge
           {"0|TEXT|10|5|20|5|40|1|1|x" + far, "extents (0,0) (10,10)"},
           {"0|INSERT|2|B|10|-95|20|-95" + far, "extents (0,0) (10,10)"},  // as placed
           {"0|INSERT|2|B" + far, "extents (20,20) (101,101)"},
       })
    EXPECT_EQ(ExtentsOf(box + blocks + EntitiesFile(L(body))), extents) << body;
  // Only groups 10 and 20 right after the variable count: the 30 ends it.
  EXPECT_EQ(ExtentsOf(L("0|SECTION|2|HEADER|9|$EXTMIN|20|1|10|1|30|0|20|9|9|$EXTMAX|10|4|20|5|0|ENDSEC") +
                      EntitiesFile(L("0|LINE|10|0|20|0|11|5|21|5"))),
            "extents (1,1) (4,5)");
  // Without an ENTITIES section the header stands, or nothing.
  EXPECT_EQ(ExtentsOf(L("0|EOF")), "extents (0,0) (0,0)");
}

TEST(Files, FailuresAndTheirMessages) {
  testing_support::TempDir dir;
  testing_support::WriteFile(dir.File("noeof.dxf"), EntitiesFile(L("0|LINE|11|1|21|1")).substr(0, 40));
  testing_support::WriteFile(dir.File("ok.dxf"), EntitiesFile(L("0|LINE|11|1|21|1")));
  // The cut file ends after its 11th line.
  for (auto [name, ok, message, fault, at] :
       {std::tuple{"missing.dxf", 0, "Unable to fopen " + dir.File("missing.dxf") + "\n", ReadFault::kCannotOpen, 0},
        {"noeof.dxf", 0, std::string("Unable to dxf_proc\n"), ReadFault::kTruncated, 11},
        {"ok.dxf", 1, std::string(), ReadFault::kNone, 0}}) {
    Drawing d;
    ReadReport report{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(dxf_proc(dir.File(name).c_str(), &d, &report), ok) << name;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), message);
    EXPECT_EQ(report.fault, fault) << name;
    EXPECT_EQ(report.at, at) << name;
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

// Every real-world sample, when present: the damaged ones fail, the rest read,
// some with at least the given polylines, texts and blocks.
TEST(Samples, ReadOrFailCleanly) {
  const std::string folder = testing_support::SamplePath("dxf");
  if (folder.empty()) GTEST_SKIP() << "no samples";
  const std::set<std::string> damaged = {"ezdxf__bin_dxf_r12.dxf", "ezdxf__recover01.dxf"};
  const std::map<std::string, std::array<int, 3>> least = {
      {"deb-librecad__A0H.dxf", {4000, 0, 1}},      {"deb-librecad__Relay-2p2w.dxf", {29, 6, 0}},
      {"dxfparser__blocks.dxf", {0, 0, 100}},       {"ezdxf__insert_bricscad_level_1.dxf", {6, 12, 1}},
      {"ezdxf__text_alignments.dxf", {42, 16, 0}},  {"ezdxf__wipeout_door.dxf", {140, 4, 1}},
      {"gen-pcbrnd306__numpres.dxf", {1135, 0, 0}}, {"gen-pstoedit378-dxf_s__dartboard.dxf", {209, 20, 0}},
      {"libdxf__all_R10_entities.dxf", {3, 2, 1}},  {"librecad__dim_sample.dxf", {10, 0, 1}}};
  int seen = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (e.path().extension() != ".dxf") continue;
    ++seen;
    Drawing d;
    testing::internal::CaptureStdout();
    int ok = dxf_proc(e.path().c_str(), &d);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ok ? "" : "Unable to dxf_proc\n") << name;
    EXPECT_EQ(ok, damaged.count(name) ? 0 : 1) << name;
    if (ok) { EXPECT_LE(d.extMin.x, d.extMax.x) << name; }
    if (auto it = least.find(name); ok && it != least.end()) {
      EXPECT_GE(d.entities.polylines.count, it->second[0]) << name;
      EXPECT_GE(d.entities.texts.count, it->second[1]) << name;
      EXPECT_GE(d.blocks.count, it->second[2]) << name;
    }
    DrawingFree(&d);
  }
  EXPECT_GT(seen, 0);
}

}  // namespace

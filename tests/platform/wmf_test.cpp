#include "platform/wmf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "platform/metafile.h"
#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"

using testing_support::Le32;
using testing_support::TextParams;
using testing_support::WmfWriter;

namespace {

struct Emf {
  struct Rec {
    uint32_t type;
    size_t at;
    uint32_t size;
  };
  std::vector<uint8_t> bytes;
  std::vector<Rec> records;
  int32_t I32(const Rec& r, size_t offset) const { return static_cast<int32_t>(Le32(bytes, r.at + offset)); }
  // `n` words of `r` from byte `offset`.
  std::vector<int32_t> Words(const Rec& r, size_t offset, size_t n) const {
    std::vector<int32_t> out;
    for (size_t i = 0; i < n; ++i) out.push_back(I32(r, offset + 4 * i));
    return out;
  }
  // Records of `type`, in order.
  std::vector<Rec> Of(uint32_t type) const {
    std::vector<Rec> out;
    std::copy_if(records.begin(), records.end(), std::back_inserter(out),
                 [type](const Rec& r) { return r.type == type; });
    return out;
  }
};

// Converts and splits the result into records, checking the framing on the way.
Emf Convert(const std::vector<uint8_t>& wmf) {
  int64_t size = 0;
  uint8_t* p = platform::WmfToEmf(wmf.data(), static_cast<int64_t>(wmf.size()), &size);
  Emf e;
  e.bytes.assign(p, p + (p ? size : 0));
  std::free(p);
  for (size_t at = 0, n; at + 8 <= e.bytes.size(); at += n) {
    n = Le32(e.bytes, at + 4);
    if (n < 8 || n % 4) {
      ADD_FAILURE() << "record size " << n;
      break;
    }
    e.records.push_back({Le32(e.bytes, at), at, static_cast<uint32_t>(n)});
  }
  return e;
}

TEST(WmfToEmf, HeaderPrologueAndRecordsExactly) {
  WmfWriter w;
  w.Record(0x020B, {-20, 10});    // window origin (10, -20)
  w.Record(0x020C, {-300, 400});  // window extent (400, -300): y up
  w.Record(0x0213, {7, 5});       // line to (5, 7)
  Emf e = Convert(w.Bytes());
  ASSERT_EQ(e.records.size(), 10u);
  const std::vector<uint8_t>& b = e.bytes;
  // Header: bounds (0, 0, 400, 300), frame in 0.01 mm at 96 dpi, " EMF", sizes and counts.
  const std::vector<uint32_t> header = {
      1, 108, 0, 0,    400, 300, 0,   0, 10583, 7938, 0x464D4520, 0x10000, static_cast<uint32_t>(b.size()), 10, 1,
      0, 0,   0, 1024, 768, 271, 203, 0, 0,     0,    270933,     203200};
  for (size_t i = 0; i < header.size(); ++i) EXPECT_EQ(Le32(b, 4 * i), header[i]) << "header word " << i;
  // Prologue: anisotropic, the window as given, the viewport its size one for one.
  const std::vector<std::vector<int32_t>> expected = {{17, 12, 8},        {10, 16, 10, -20},  {9, 16, 400, -300},
                                                      {12, 16, 0, 0},     {11, 16, 400, 300}, {10, 16, 10, -20},
                                                      {9, 16, 400, -300}, {54, 16, 5, 7},     {14, 20, 0, 16, 20}};
  for (size_t k = 0; k < expected.size(); ++k)
    EXPECT_EQ(e.Words(e.records[k + 1], 0, expected[k].size()), expected[k]) << "record " << k + 1;
}

TEST(WmfToEmf, WithoutWindowRecordsTheCoordinatesBoxIsThePicture) {
  WmfWriter w;
  w.Record(0x0214, {-50, 30}).Record(0x0325, {2, 130, -10, 90, 40});  // move (30,-50); polyline
  Emf e = Convert(w.Bytes());
  ASSERT_FALSE(e.records.empty());
  EXPECT_EQ(e.Words(e.records[0], 16, 2), (std::vector<int32_t>{100, 90}));  // x 30..130, y -50..40
  ASSERT_EQ(e.Of(12).size(), 1u);
  EXPECT_EQ(e.Words(e.Of(12)[0], 8, 2), (std::vector<int32_t>{-30, 50}));  // viewport origin
  ASSERT_EQ(e.Of(87).size(), 1u);
  EXPECT_EQ(e.Words(e.Of(87)[0], 24, 2),
            (std::vector<int32_t>{2, static_cast<int32_t>(0xFFF60082)}));  // (130, -10) as i16
}

TEST(WmfToEmf, ObjectsTakeTheLowestFreeSlot) {
  WmfWriter w;
  w.Record(0x02FA, {0, 1, 0, 0x00FF, 0});    // pen -> slot 0
  w.Record(0x02FC, {0, 0x0000, 0x00FF, 0});  // brush -> slot 1
  w.Record(0x00F7, {0x300, 0});              // palette -> slot 2, no EMF object
  w.Record(0x01F0, {0});                     // delete the pen
  w.Record(0x02FC, {0, 0x00FF, 0, 0});       // brush -> slot 0 again
  w.Record(0x012D, {0}).Record(0x012D, {2}).Record(0x012D, {9});
  w.Record(0x01F0, {2}).Record(0x01F0, {2});
  w.Record(0x02FA, {0, 1, 0, 0, 0});  // pen -> slot 2
  Emf e = Convert(w.Bytes());
  std::vector<int32_t> handles;
  for (const auto& r : e.records)
    if (r.type >= 37 && r.type <= 40) handles.push_back(static_cast<int32_t>(r.type * 100) + e.I32(r, 8));
  EXPECT_EQ(handles, (std::vector<int32_t>{3801, 3902, 4001, 3901, 3701, 3803}));
  EXPECT_EQ(e.bytes[56], 4);  // handles 0 to 3
}

TEST(WmfToEmf, FontsBecomeWideAndTextsKeepTheirBytes) {
  WmfWriter w;
  std::vector<int16_t> font = {-24, 0, 900, 0, 700, 0, 0, 0, 0};
  auto face = TextParams(std::string("Caf\xe9", 4) + std::string(28, '\0'));
  font.insert(font.end(), face.begin(), face.end());
  w.Record(0x02FB, font);
  std::vector<int16_t> text = {2};
  auto chars = TextParams("\x80\x41");
  text.insert(text.end(), chars.begin(), chars.end());
  text.insert(text.end(), {20, 10});
  w.Record(0x0521, text);
  w.Record(0x0A32, {8, 6, 3, 4, 1, 2, 3, 4, 0x4241, 0x43, 5, 6, 7});  // clipped, with advances
  Emf e = Convert(w.Bytes());
  auto fonts = e.Of(82);
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(fonts[0].size, 332u);
  EXPECT_EQ(e.Words(fonts[0], 12, 3), (std::vector<int32_t>{-24, 0, 900}));
  EXPECT_EQ(e.Words(fonts[0], 40, 2), (std::vector<int32_t>{0x00610043, 0x00E90066}));  // "Café"
  auto texts = e.Of(83);
  ASSERT_EQ(texts.size(), 2u);
  // Reference point, count, offset of the string, options, clip box, offset of the advances, the string.
  EXPECT_EQ(e.Words(texts[0], 36, 3), (std::vector<int32_t>{10, 20, 2}));
  EXPECT_EQ(e.Words(texts[0], 72, 2), (std::vector<int32_t>{0, 0x4180}));  // no advances
  EXPECT_EQ(e.Words(texts[1], 36, 14), (std::vector<int32_t>{6, 8, 3, 76, 4, 1, 2, 3, 4, 80, 0x434241, 5, 6, 7}));
}

TEST(WmfToEmf, ShapesPolyPolygonsAndDibs) {
  WmfWriter w;
  w.Record(0x041B, {40, 30, 20, 10});  // rectangle (10,20)-(30,40)
  w.Record(0x0538, {2, 3, 2, 0, 0, 10, 0, 10, 10, 20, 20, 30, 30});
  w.Record(0x0538, {2, 3, 100, 0, 0, 10, 0, 10, 10});  // counts past the points
  // A 1 x 1 24-bit DIB stretched to 8 x 6 at (2, 3).
  std::vector<int16_t> dib = {0x0020, 0x00CC, 0, 1, 1, 0, 0, 6, 8, 3, 2, 40, 0, 1, 0, 1, 0, 1, 24};
  dib.resize(dib.size() + 12, 0);
  dib.insert(dib.end(), {0x2211, 0x0033});
  w.Record(0x0F43, dib);
  Emf e = Convert(w.Bytes());
  using V = std::vector<int32_t>;
  for (uint32_t type : {43u, 81u}) ASSERT_EQ(e.Of(type).size(), 1u) << type;
  ASSERT_EQ(e.Of(91).size(), 2u);
  EXPECT_EQ(e.Words(e.Of(43)[0], 8, 4), (V{10, 20, 30, 40}));
  EXPECT_EQ(e.Words(e.Of(91)[0], 24, 4), (V{2, 5, 3, 2}));
  EXPECT_EQ(e.Words(e.Of(91)[1], 24, 4), (V{2, 3, 3, 0}));  // the second part gets no points
  const V blit = {2, 3, 10, 9, 2, 3, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0x00CC0020, 8, 6};
  EXPECT_EQ(e.Words(e.Of(81)[0], 8, blit.size()), blit);
  EXPECT_EQ(Le32(e.bytes, e.Of(81)[0].at + 120), 0x00332211u);
}

TEST(WmfToEmf, PatternBlitsOldBitmapsAndDibsToTheDevice) {
  WmfWriter w;
  w.Record(0x061D, {0x0021, 0x00F0, 6, 8, 3, 2});             // PATBLT 8 x 6 at (2, 3), PATCOPY
  w.Record(0x0940, {0x0062, 0x0000, 0, 0, 0, 4, 5, 40, 30});  // DIBBITBLT, no bitmap: BLACKNESS
  w.Record(0x0922, {0x0020, 0x00CC, 0, 0, 2, 3, 7, 9, 0, 3, 2, 2, 0x0101, 0x00A0, 0x0040});  // a 3 x 2 BITMAP16
  std::vector<int16_t> toDevice = {0, 1, 0, 0, 0, 1, 1, 12, 11, 40, 0, 1, 0, 1, 0, 1, 24};
  toDevice.resize(toDevice.size() + 12, 0);
  toDevice.insert(toDevice.end(), {0x2211, 0x0033});
  w.Record(0x0D33, toDevice);  // SETDIBTODEV of a 1 x 1 DIB at (11, 12)
  Emf e = Convert(w.Bytes());
  using V = std::vector<int32_t>;
  ASSERT_EQ(e.Of(76).size(), 2u);
  EXPECT_EQ(e.Words(e.Of(76)[0], 24, 5), (V{2, 3, 8, 6, 0x00F00021}));
  EXPECT_EQ(e.Words(e.Of(76)[1], 24, 5), (V{30, 40, 5, 4, 0x00000062}));
  EXPECT_EQ(e.Of(76)[1].size, 100u);
  // The old bitmap becomes a top-down monochrome DIB with rows padded to 4 bytes.
  ASSERT_EQ(e.Of(81).size(), 1u);
  const auto blit = e.Of(81)[0];
  EXPECT_EQ(e.Words(blit, 24, 12), (V{9, 7, 0, 0, 3, 2, 80, 48, 128, 8, 0, 0x00CC0020}));
  EXPECT_EQ(e.Words(blit, 80, 4), (V{40, 3, -2, 0x00010001}));
  EXPECT_EQ(e.Words(blit, 124, 3), (V{0xFFFFFF, 0xA0, 0x40}));
  ASSERT_EQ(e.Of(80).size(), 1u);
  EXPECT_EQ(e.Words(e.Of(80)[0], 24, 13), (V{11, 12, 0, 0, 1, 1, 76, 40, 116, 4, 0, 0, 1}));
  // A picture without window records is framed by what its blits cover.
  EXPECT_EQ(e.Words(e.records[0], 8, 4), (V{0, 0, 33, 41}));
}

TEST(WmfToEmf, BadInput) {
  int64_t size = 123;
  EXPECT_EQ(platform::WmfToEmf(nullptr, 0, &size), nullptr);
  EXPECT_EQ(size, 0);
  const uint8_t notWmf[18] = {7, 0, 9, 0};
  ReadReport report{};
  EXPECT_EQ(platform::WmfToEmf(notWmf, 18, &size, &report), nullptr);
  EXPECT_EQ(report.fault, ReadFault::kNotMetafile);
  EXPECT_EQ(platform::WmfToEmf(notWmf, 10, &size), nullptr);

  // Absurd counts, short records, and records running past the end: converted as far as they go.
  WmfWriter w;
  w.Record(0x0325, {0x7FFF, 1, 2}).Record(0x0538, {-1, 1}).Record(0x0521, {-1, 0}).Record(0x0A32, {1, 2, -1, 6});
  w.Record(0x02FB, {1}).Record(0x0F43, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 40, 0, 1, 0, 1, 0, 1, 8, 0,
                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0,  0,  0, 0, 0, 0, 0, 0, 0});
  // A short pattern blit; an old bitmap whose rows would run far past its record.
  w.Record(0x061D, {1, 2}).Record(0x0922, {0x20, 0xCC, 0, 0, 2, 3, 7, 9, 0, 0x0100, 0x7FFF, 0x7FFF, 0x2001});
  std::vector<uint8_t> bytes = w.Bytes();
  bytes.insert(bytes.end() - 6, {0xFF, 0xFF, 0xFF, 0x7F, 0x13, 0x02});  // a record claiming 4 GB
  Emf e = Convert(bytes);
  ASSERT_FALSE(e.records.empty());
  EXPECT_EQ(e.records.back().type, 14u);
  ASSERT_EQ(e.Of(87).size(), 1u);
  EXPECT_EQ(e.I32(e.Of(87)[0], 24), 1);
  EXPECT_TRUE(e.Of(81).empty());  // 256 colours promised, none there; the old bitmap refused
  EXPECT_TRUE(e.Of(76).empty());
}

TEST(WmfToEmf, ObjectTableFillsWithoutOverflow) {
  WmfWriter w;
  for (int i = 0; i < 65540; ++i) w.Record(0x02FC, {0, 0, 0, 0});
  w.Record(0x01F0, {1000}).Record(0x02FA, {0, 1, 0, 0, 0});
  Emf e = Convert(w.Bytes());
  EXPECT_EQ(e.Of(39).size(), 65534u);
  auto pens = e.Of(38);
  ASSERT_EQ(pens.size(), 1u);
  EXPECT_EQ(e.I32(pens[0], 8), 1001);
  EXPECT_EQ(testing_support::Le16(e.bytes, 56), 65535);
}

TEST(Metafile, BitsAreGivenBackWhole) {
  WmfWriter w;
  w.Record(0x0213, {1, 1});
  std::vector<uint8_t> wmf = w.Bytes();
  platform::EnhMetaFile* m = platform::SetWinMetaFileBits(wmf.data(), static_cast<int64_t>(wmf.size()));
  ASSERT_NE(m, nullptr);
  int64_t size = platform::GetEnhMetaFileBits(m, nullptr, 0);
  ASSERT_GT(size, 108);
  std::vector<uint8_t> small(static_cast<size_t>(size) - 1), whole(static_cast<size_t>(size));
  EXPECT_EQ(platform::GetEnhMetaFileBits(m, small.data(), size - 1), 0);
  EXPECT_EQ(platform::GetEnhMetaFileBits(m, whole.data(), size), size);
  EXPECT_EQ(Le32(whole, 48), static_cast<uint32_t>(size));
  platform::DeleteEnhMetaFile(m);
  EXPECT_EQ(platform::SetWinMetaFileBits(wmf.data(), 4), nullptr);
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/dib.h"

namespace {

using namespace platform;
using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A bitmap info header of `headerSize` bytes; `tail` words go at offset 40
// (after a 40-byte header, or into a longer one's mask fields).
Bytes Info(int32_t w, int32_t h, int bpp, uint32_t compression, uint32_t used, std::vector<uint32_t> tail,
           uint32_t headerSize = 40) {
  Bytes b;
  for (uint32_t v : {headerSize, uint32_t(w), uint32_t(h), 1u | uint32_t(bpp) << 16, compression, 0u, 0u, 0u, used, 0u})
    Put32(b, v);
  for (uint32_t v : tail) Put32(b, v);
  if (b.size() < headerSize) b.resize(headerSize);
  return b;
}

// Rows of `picture` (one character a pixel, top row first), each pixel the
// value `value` gives, packed most significant first and padded to 4 bytes.
Bytes Rows(const std::string& picture, int w, int bpp, bool bottomUp, uint32_t (*value)(char, int)) {
  int h = static_cast<int>(picture.size()) / w, stride = (w * bpp + 31) / 32 * 4;
  Bytes b(static_cast<size_t>(stride * h));
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.data() + (bottomUp ? h - 1 - y : y) * stride;
    for (int x = 0; x < w; ++x) {
      uint32_t v = value(picture[y * w + x], bpp);
      if (bpp < 8) row[x * bpp / 8] |= v << (8 - bpp - x * bpp % 8);
      else for (int i = 0; i < bpp / 8; ++i) row[x * bpp / 8 + i] = static_cast<uint8_t>(v >> (8 * i));
    }
  }
  return b;
}

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;
const std::string kF = "RRR" "RBB" "RRB" "RBB" "RBB";  // odd width: every depth pads its rows

std::string Picture(const DibImage& im) {
  std::string s;
  for (uint32_t p : im.pixels) s += p == kRed ? 'R' : p == kBlue ? 'B' : p == 0 ? '_' : '?';
  return s;
}

struct DepthCase {
  const char* name;
  int bpp;
  uint32_t compression;
  uint32_t used;
  std::vector<uint32_t> tail;
  uint32_t (*value)(char, int);
  uint32_t headerSize = 40;
};

uint32_t Indexed(char c, int) { return c == 'R'; }
uint32_t Rgb555(char c, int) { return c == 'R' ? 0x7C00 : 0x001F; }
uint32_t Rgb565(char c, int) { return c == 'R' ? 0xF800 : 0x001F; }
uint32_t Rgb888(char c, int) { return c == 'R' ? 0xFFFF0000 : 0xFF0000FF; }
uint32_t Bgr888(char c, int) { return c == 'R' ? 0x000000FF : 0x00FF0000; }

TEST(DecodeDib, EveryDepthGivesTheSamePictureBothWaysUp) {
  const DepthCase cases[] = {
      {"1-bit", 1, kBiRgb, 2, {0x0000FF, 0xFF0000}, Indexed},
      {"4-bit", 4, kBiRgb, 2, {0x0000FF, 0xFF0000}, Indexed},
      {"8-bit", 8, kBiRgb, 2, {0x0000FF, 0xFF0000}, Indexed},
      {"16-bit 555", 16, kBiRgb, 0, {}, Rgb555},
      {"16-bit 565 masks", 16, kBiBitfields, 0, {0xF800, 0x07E0, 0x001F}, Rgb565},
      {"24-bit", 24, kBiRgb, 0, {}, Rgb888},
      {"32-bit", 32, kBiRgb, 0, {}, Rgb888},
      {"32-bit masks, red low", 32, kBiBitfields, 0, {0xFF, 0xFF00, 0xFF0000}, Bgr888},
      {"32-bit masks in a V5 header", 32, kBiBitfields, 0, {0xFF, 0xFF00, 0xFF0000, 0}, Bgr888, 124},
  };
  for (const DepthCase& c : cases) {
    for (bool bottomUp : {true, false}) {
      Bytes info = Info(3, bottomUp ? 5 : -5, c.bpp, c.compression, c.used, c.tail, c.headerSize);
      Bytes bits = Rows(kF, 3, c.bpp, bottomUp, c.value);
      DibImage im;
      ASSERT_EQ(DecodeDib(info.data(), info.size(), bits.data(), bits.size(), {}, im), 1) << c.name;
      EXPECT_EQ(Picture(im), kF) << c.name << (bottomUp ? " bottom-up" : " top-down");
    }
  }
}

TEST(DecodeDib, ColourSources) {
  const uint8_t palette[] = {0, 0, 255, 0, 1, 2, 3, 0, 255, 0, 0, 0};  // red, green, blue, flags
  Bytes info = Info(2, 1, 1, kBiRgb, 2, {0x0002, 0x0000});  // palette indices 2 and 0, 16 bits each
  Bytes bits = {0x40, 0, 0, 0};  // pixels 0, 1
  DibImage im;
  ASSERT_EQ(DecodeDib(info.data(), 48, bits.data(), 4, {kDibPalColours, palette, 3}, im), 1);
  EXPECT_EQ(Picture(im), "RB");
  ASSERT_EQ(DecodeDib(info.data(), 48, bits.data(), 4, {kDibPalColours, palette, 2}, im), 1);
  EXPECT_EQ(im.pixels[0], 0xFF000000u) << "an index beyond the palette gives black";
  const ColourRef mono[] = {0x0000FF, 0xFF0000};  // text red, background blue
  ASSERT_EQ(DecodeDib(info.data(), 40, bits.data(), 4, {kDibRgbColours, nullptr, 0, mono}, im), 1);
  EXPECT_EQ(Picture(im), "RB");
  // A core header with a three-byte colour table.
  const uint8_t core[] = {12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 1, 0, 0xFF, 0, 0, 0, 0, 0xFF};
  ASSERT_EQ(DecodeDib(core, sizeof core, bits.data(), 4, {}, im), 1);
  EXPECT_EQ(Picture(im), "BR");
  // A 32-bit image keeps its fourth byte for per-pixel alpha.
  Bytes info32 = Info(1, 1, 32, kBiRgb, 0, {});
  const uint8_t pixel[] = {0x10, 0x20, 0x30, 0x40};
  ASSERT_EQ(DecodeDib(info32.data(), 40, pixel, 4, {}, im), 1);
  EXPECT_EQ(im.pixels[0], 0x40302010u);
  EXPECT_EQ(im.alpha, DibAlpha::kStored);
}

TEST(DecodeDib, RunLengthEscapes) {
  struct Case {
    const char* name;
    uint32_t compression;
    int w, h;
    Bytes bits;
    std::string picture;  // top row first; '_' for pixels nothing set
  } cases[] = {
      {"run, end of line, odd copy", kBiRle8, 4, 2, {2, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1}, "RBR_" "RR__"},
      {"delta", kBiRle8, 4, 2, {0, 2, 2, 1, 1, 1, 0, 1}, "__R_" "____"},
      {"run cut at the right edge", kBiRle8, 4, 2, {6, 1, 0, 1}, "____" "RRRR"},
      {"copy running off the data", kBiRle8, 4, 2, {0, 4, 1, 1}, "____" "RR__"},
      {"delta off the picture", kBiRle8, 4, 1, {0, 2, 0, 9, 1, 1}, "____"},
      {"4-bit run alternates nibbles", kBiRle4, 4, 1, {3, 0x10, 0, 1}, "RBR_"},
      {"4-bit copy", kBiRle4, 4, 1, {0, 4, 0x01, 0x10}, "BRRB"},
  };
  for (const Case& c : cases) {
    Bytes info = Info(c.w, c.h, c.compression == kBiRle8 ? 8 : 4, c.compression, 2, {0x0000FF, 0xFF0000});
    DibImage im;
    ASSERT_EQ(DecodeDib(info.data(), info.size(), c.bits.data(), c.bits.size(), {}, im), 1) << c.name;
    EXPECT_EQ(Picture(im), c.picture) << c.name;
    EXPECT_EQ(im.alpha, DibAlpha::kHoles);
  }
}

TEST(DecodeDib, RefusesHostileHeaders) {
  const Bytes bits(64, 0);
  struct Case {
    const char* name;
    Bytes info;
    int64_t bitsSize;
  } cases[] = {
      {"huge width and height", Info(1 << 20, 1 << 20, 1, kBiRgb, 0, {0, 0}), 64},
      {"rows longer than the bits", Info(100000, 1, 24, kBiRgb, 0, {}), 64},
      {"last row short", Info(3, 5, 24, kBiRgb, 0, {}), 4 * 12 + 8},
      {"bad bit count", Info(1, 1, 7, kBiRgb, 0, {}), 64},
      {"zero width", Info(0, 1, 24, kBiRgb, 0, {}), 64},
      {"negative width", Info(-3, 1, 24, kBiRgb, 0, {}), 64},
      {"most negative height", Info(1, INT32_MIN, 24, kBiRgb, 0, {}), 64},
      {"truncated colour table", Info(1, 1, 8, kBiRgb, 0, {0, 0}), 64},
      {"masks cut off", Info(1, 1, 16, kBiBitfields, 0, {0xF800}), 64},
      {"masks with 24 bits", Info(1, 1, 24, kBiBitfields, 0, {1, 2, 3}), 64},
      {"top-down run-length", Info(1, -1, 8, kBiRle8, 1, {0}), 64},
      {"JPEG", Info(1, 1, 0, kBiJpeg, 0, {}), 64},
      {"header longer than the info", Bytes{41, 0, 0, 0, 1, 0, 0, 0}, 64},
      {"header size zero", Bytes(40, 0), 64},
      {"negative bits size", Info(1, 1, 24, kBiRgb, 0, {}), -1},
  };
  for (const Case& c : cases) {
    DibImage im;
    EXPECT_EQ(DecodeDib(c.info.data(), c.info.size(), bits.data(), c.bitsSize, {}, im), 0) << c.name;
    EXPECT_TRUE(im.pixels.empty()) << c.name;
  }
  DibImage im;
  EXPECT_EQ(DecodeDib(bits.data(), 3, bits.data(), 64, {}, im), 0) << "info shorter than its size field";
}

// An 8 x 8 target of background '.', drawn and read back as characters.
struct Target {
  std::vector<uint32_t> px = std::vector<uint32_t>(64, 0xFF808080);
  BlitTarget t{reinterpret_cast<uint8_t*>(px.data()), 32, 8, 8};
  std::string Row(int y, int n = 8) const {
    std::string s;
    for (int x = 0; x < n; ++x) {
      uint32_t p = px[y * 8 + x];
      s += p == kRed ? 'R' : p == kBlue ? 'B' : p == 0xFF808080 ? '.' : p == 0xFF000000 ? 'k' : p == 0xFFFFFFFF ? 'w' : '?';
    }
    return s;
  }
};

DibImage Image(int w, int h, const std::string& picture) {
  DibImage im{w, h, {}, DibAlpha::kOpaque};
  for (char c : picture) im.pixels.push_back(c == 'R' ? kRed : c == 'B' ? kBlue : c == 'w' ? 0xFFFFFFFF : 0xFF000000);
  return im;
}

TEST(Blit, StretchMirrorAndShrink) {
  const DibImage f = Image(3, 5, kF);
  const DibImage checks = Image(4, 2, "RBRB" "BRBR");
  struct Case {
    const char* name;
    const DibImage* image;
    int32_t sx, sy, sw, sh, dx, dy, dw, dh;
    int mode;
    std::vector<std::string> rows;
  } cases[] = {
      {"copy", &f, 0, 0, 3, 5, 1, 0, 3, 5, kColourOnColour, {".RRR", ".RBB", ".RRB", ".RBB", ".RBB", "...."}},
      {"part, doubled", &f, 0, 1, 2, 2, 0, 0, 4, 4, kColourOnColour, {"RRBB", "RRBB", "RRRR", "RRRR", "...."}},
      {"mirrored in place", &f, 0, 0, 3, 5, 2, 4, -3, -5, kColourOnColour, {"BBR.", "BBR.", "BRR.", "BBR.", "RRR."}},
      {"source mirrored", &f, 2, 1, -3, 1, 0, 0, 3, 1, kColourOnColour, {"BBR.", "...."}},
      {"halved, nearest", &checks, 0, 0, 4, 2, 0, 0, 2, 1, kColourOnColour, {"RR..", "...."}},
      {"halved, black on white", &checks, 0, 0, 4, 2, 0, 0, 2, 1, kBlackOnWhite, {"kk..", "...."}},
      {"halved, white on black", &checks, 0, 0, 4, 2, 0, 0, 2, 1, kWhiteOnBlack, {"??..", "...."}},
  };
  for (const Case& c : cases) {
    Target t;
    BlitSource s;
    ASSERT_TRUE(MapRect(c.sx, c.sy, c.sw, c.sh, c.dx, c.dy, c.dw, c.dh, s));
    s.image = c.image;
    s.stretchMode = c.mode;
    ASSERT_EQ(Blit(t.t, s, {}), 1) << c.name;
    for (size_t y = 0; y < c.rows.size(); ++y) EXPECT_EQ(t.Row(static_cast<int>(y), 4), c.rows[y]) << c.name << " row " << y;
  }
  Target t;
  BlitSource s;
  MapRect(0, 0, 4, 2, 0, 0, 2, 1, s);
  s.image = &checks;
  s.stretchMode = kHalftone;
  Blit(t.t, s, {});
  EXPECT_EQ(t.px[0], 0xFF800080u) << "halftone averages red and blue";
  EXPECT_EQ(t.px[0], t.px[1]);
}

TEST(Blit, ParallelogramTurnsAQuarter) {
  const DibImage im = Image(2, 1, "RB");
  const Point corners[] = {{0, 2}, {0, 0}, {1, 2}};  // top edge runs up the left side
  BlitSource s;
  ASSERT_TRUE(MapParallelogram(0, 0, 2, 1, corners, s));
  s.image = &im;
  Target t;
  ASSERT_EQ(Blit(t.t, s, {}), 1);
  EXPECT_EQ(t.Row(0, 2) + t.Row(1, 2) + t.Row(2, 2), "B.R...");
}

TEST(Blit, RasterOperations) {
  const uint32_t p = 0xF0F0F0, s = 0xCCCCCC, d = 0xAAAAAA;
  struct Case {
    uint32_t rop;
    uint32_t expected;
  } cases[] = {
      {kSrcAnd, s & d},           {kSrcPaint, s | d},         {kSrcInvert, s ^ d},
      {kDstInvert, ~d & 0xFFFFFF}, {kPatInvert, p ^ d},        {kBlackness, 0},
      {kWhiteness, 0xFFFFFF},     {kSrcErase, s & ~d & 0xFFFFFF}, {kMergeCopy, p & s},
      {0x00B8074A, ((d ^ p) & s) ^ p},  // source 1 keeps the destination, 0 takes the brush
      {0x00E20746, ((p ^ d) & s) ^ d},  // source 1 takes the brush
      {0x00BB0226, (~s | d) & 0xFFFFFF},
  };
  for (const Case& c : cases) EXPECT_EQ(ApplyRop3(c.rop, p, s, d), c.expected) << std::hex << c.rop;
  EXPECT_TRUE(RopUsesSource(kSrcAnd) && !RopUsesSource(kPatInvert) && !RopUsesSource(kDstInvert));
  EXPECT_TRUE(RopUsesPattern(kMergeCopy) && !RopUsesPattern(kSrcCopy) && !RopUsesPattern(kWhiteness));
}

TEST(Blit, OperationsWithoutASourceFillTheArea) {
  Target t;
  BlitSource s;
  MapRect(0, 0, 2, 1, 1, 1, 2, 1, s);
  BlitOp op;
  op.rop = kPatCopy;
  op.pattern.colour = 0xFF0000;  // blue as a ColourRef
  ASSERT_EQ(Blit(t.t, s, op), 1);
  op.rop = kSrcCopy;
  EXPECT_EQ(Blit(t.t, s, op), 0) << "a copy needs a source";
  const DibImage tile = Image(2, 1, "Rw");
  op.rop = kPatCopy;
  op.pattern.image = &tile;
  MapRect(0, 0, 4, 1, 0, 2, 4, 1, s);
  Blit(t.t, s, op);
  EXPECT_EQ(t.Row(1, 4) + t.Row(2, 4), ".BB." "RwRw");
}

TEST(Blit, ClipKeyAlphaAndMask) {
  const DibImage im = Image(4, 1, "RBRB");
  BlitSource s;
  MapRect(0, 0, 4, 1, 0, 0, 4, 1, s);
  s.image = &im;
  {
    Target t;
    uint8_t clip[8 * 8] = {};
    clip[1] = 128;
    clip[2] = 255;
    t.t.clipMask = clip;
    t.t.clipMaskStride = 8;
    t.t.hasClipRect = true;
    t.t.clipRect = {2, 0, 8, 8};
    Blit(t.t, s, {});
    EXPECT_EQ(t.Row(0, 4), "..R.");
  }
  {
    Target t;
    BlitOp op;
    op.kind = BlitKind::kTransparent;
    op.transparent = 0x0000FF;  // red
    Blit(t.t, s, op);
    EXPECT_EQ(t.Row(0, 4), ".B.B");
  }
  {
    Target t;
    BlitOp op;
    op.kind = BlitKind::kAlpha;
    op.constantAlpha = 128;
    Blit(t.t, s, op);
    EXPECT_EQ(t.px[0], 0xFFC04040u);
    DibImage half{1, 1, {0x80800000}, DibAlpha::kStored};  // premultiplied red at half alpha
    BlitSource hs;
    MapRect(0, 0, 1, 1, 0, 1, 1, 1, hs);
    hs.image = &half;
    op.constantAlpha = 255;
    op.sourceAlpha = true;
    Blit(t.t, hs, op);
    EXPECT_EQ(t.px[8], 0xFFC04040u);
  }
  {
    Target t;
    const DibImage mask = Image(4, 1, "kwkw");
    BlitOp op;
    op.kind = BlitKind::kMask;
    op.rop = 0xAACC0020;  // copy where the mask is white, keep the destination elsewhere
    op.mask = &mask;
    Blit(t.t, s, op);
    EXPECT_EQ(t.Row(0, 4), ".B.B");
  }
}

TEST(Blit, HolesAndHostileMappings) {
  Target t;
  DibImage holes{2, 1, {0, kRed}, DibAlpha::kHoles};
  BlitSource s;
  MapRect(0, 0, 2, 1, 0, 0, 2, 1, s);
  s.image = &holes;
  Blit(t.t, s, {});
  EXPECT_EQ(t.Row(0, 2), ".R");
  s.toDevice.xx = NAN;
  EXPECT_EQ(Blit(t.t, s, {}), 0);
  s.toDevice = {1e300, 0, -1e300, 0, 1e-300, 0};
  EXPECT_EQ(Blit(t.t, s, {}), 1);
  s.toDevice = {0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Blit(t.t, s, {}), 0);
  s.stretchMode = kHalftone;
  s.toDevice = {1e-150, 0, 0, 0, 1e-150, 0};
  EXPECT_EQ(Blit(t.t, s, {}), 1);
}

}  // namespace

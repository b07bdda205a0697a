#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "platform/dib.h"

namespace {

using namespace platform;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGrey = 0xFF808080;

// A picture as letters, rows separated by blanks for reading.
std::string Picture(std::string rows) {
  std::erase(rows, ' ');
  return rows;
}

const std::string kF = Picture("RRR RBB RRB RBB RBB");  // odd width: every depth pads its rows

char Letter(uint32_t p) {
  const std::pair<uint32_t, char> letters[] = {{kRed, 'R'},       {kBlue, 'B'},      {kGrey, '.'},
                                               {0, '_'},          {0xFF000000, 'k'}, {0xFFFFFFFF, 'w'},
                                               {0xFFFF00FF, 'M'}, {0xFF800080, 'm'}, {0xFFC04040, 'p'}};
  for (auto [value, letter] : letters)
    if (p == value) return letter;
  return '?';
}

// A bitmap info header; `tail` words go at offset 40 (after a 40-byte header,
// or into a longer one's mask fields).
Bytes Info(int32_t w, int32_t h, int bpp, uint32_t compression, uint32_t used, std::vector<uint32_t> tail,
           uint32_t size = 40) {
  std::vector<uint32_t> words = {size, uint32_t(w), uint32_t(h), 1u | uint32_t(bpp) << 16, compression, 0, 0, 0, used,
                                 0};
  words.insert(words.end(), tail.begin(), tail.end());
  Bytes b;
  for (uint32_t v : words)
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  if (b.size() < size) b.resize(size);
  return b;
}

// Rows of the F, each pixel `red` or `blue`, packed most significant first and
// padded to 4 bytes.
Bytes Rows(int bpp, bool bottomUp, uint32_t red, uint32_t blue) {
  const int w = 3, h = 5, stride = (w * bpp + 31) / 32 * 4;
  Bytes b(static_cast<size_t>(stride * h));
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.data() + (bottomUp ? h - 1 - y : y) * stride;
    for (int x = 0; x < w; ++x) {
      uint32_t v = kF[y * w + x] == 'R' ? red : blue;
      if (bpp < 8)
        row[x * bpp / 8] |= v << (8 - bpp - x * bpp % 8);
      else
        for (int i = 0; i < bpp / 8; ++i) row[x * bpp / 8 + i] = static_cast<uint8_t>(v >> (8 * i));
    }
  }
  return b;
}

std::string Decoded(const Bytes& info, const Bytes& bits, const DibColours& colours = {}, DibImage* keep = nullptr) {
  DibImage im;
  if (!DecodeDib(info.data(), info.size(), bits.data(), bits.size(), colours, im)) return "failed";
  std::string s;
  for (uint32_t p : im.pixels) s += Letter(p);
  if (keep) *keep = im;
  return s;
}

TEST(DecodeDib, EveryDepthGivesTheSamePictureBothWaysUp) {
  const std::vector<uint32_t> table = {0x0000FF, 0xFF0000}, redLow = {0xFF, 0xFF00, 0xFF0000};
  const struct {
    const char* name;
    int bpp;
    uint32_t compression, used, red, blue;
    std::vector<uint32_t> tail;
    uint32_t size = 40;
  } cases[] = {
      {"1-bit", 1, kBiRgb, 2, 1, 0, table},
      {"4-bit", 4, kBiRgb, 2, 1, 0, table},
      {"8-bit", 8, kBiRgb, 2, 1, 0, table},
      {"16-bit 555", 16, kBiRgb, 0, 0x7C00, 0x001F, {}},
      {"16-bit 565", 16, kBiBitfields, 0, 0xF800, 0x001F, {0xF800, 0x07E0, 0x001F}},
      {"24-bit", 24, kBiRgb, 0, kRed, kBlue, {}},
      {"32-bit", 32, kBiRgb, 0, kRed, kBlue, {}},
      {"32-bit, red low", 32, kBiBitfields, 0, 0xFF, 0xFF0000, redLow},
      {"32-bit, V5 masks", 32, kBiBitfields, 0, 0xFF, 0xFF0000, redLow, 124},
  };
  for (const auto& c : cases) {
    for (bool up : {true, false}) {
      Bytes info = Info(3, up ? 5 : -5, c.bpp, c.compression, c.used, c.tail, c.size);
      EXPECT_EQ(Decoded(info, Rows(c.bpp, up, c.red, c.blue)), kF) << c.name << (up ? " bottom-up" : " top-down");
    }
  }
}

TEST(DecodeDib, ColourSources) {
  const uint8_t palette[] = {0, 0, 255, 0, 1, 2, 3, 0, 255, 0, 0, 0};  // red, green, blue, flags
  const Bytes info = Info(2, 1, 1, kBiRgb, 2, {0x0002, 0x0000});       // as palette indices: 2 then 0
  const Bytes bits = {0x40, 0, 0, 0};                                  // pixels 0, 1
  EXPECT_EQ(Decoded(info, bits, {kDibPalColours, palette, 3}), "RB");
  EXPECT_EQ(Decoded(info, bits, {kDibPalColours, palette, 2}), "kB") << "an index beyond the palette gives black";
  const ColourRef mono[] = {0x0000FF, 0xFF0000};  // text red, background blue
  EXPECT_EQ(Decoded(info, bits, {kDibRgbColours, nullptr, 0, mono}), "RB");
  const Bytes core = {12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 1, 0, 0xFF, 0, 0, 0, 0, 0xFF};  // three-byte colours
  EXPECT_EQ(Decoded(core, bits), "BR");
  DibImage im;
  Decoded(Info(1, 1, 32, kBiRgb, 0, {}), {0x10, 0x20, 0x30, 0x40}, {}, &im);
  EXPECT_EQ(im.pixels.at(0), 0x40302010u) << "the fourth byte is kept for per-pixel alpha";
  EXPECT_EQ(im.alpha, DibAlpha::kStored);
}

TEST(DecodeDib, RunLengthEscapes) {
  const struct {
    const char* name;
    bool four;
    int w, h;
    Bytes bits;
    std::string picture;  // top row first; '_' for pixels nothing set
  } cases[] = {
      {"run, end of line, odd copy", false, 4, 2, {2, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1}, "RBR_ RR__"},
      {"delta", false, 4, 2, {0, 2, 2, 1, 1, 1, 0, 1}, "__R_ ____"},
      {"run cut at the right edge", false, 4, 2, {6, 1, 0, 1}, "____ RRRR"},
      {"copy running off the data", false, 4, 2, {0, 4, 1, 1}, "____ RR__"},
      {"delta off the picture", false, 4, 1, {0, 2, 0, 9, 1, 1}, "____"},
      {"4-bit run alternates nibbles", true, 4, 1, {3, 0x10, 0, 1}, "RBR_"},
      {"4-bit copy", true, 4, 1, {0, 4, 0x01, 0x10}, "BRRB"},
  };
  for (const auto& c : cases) {
    Bytes info = Info(c.w, c.h, c.four ? 4 : 8, c.four ? kBiRle4 : kBiRle8, 2, {0x0000FF, 0xFF0000});
    EXPECT_EQ(Decoded(info, c.bits), Picture(c.picture)) << c.name;
  }
}

TEST(DecodeDib, RefusesHostileHeaders) {
  const struct {
    const char* name;
    Bytes info;
    size_t bits;
  } cases[] = {
      {"huge width and height", Info(1 << 20, 1 << 20, 1, kBiRgb, 0, {0, 0}), 64},
      {"rows longer than the bits", Info(100000, 1, 24, kBiRgb, 0, {}), 64},
      {"last row short", Info(3, 5, 24, kBiRgb, 0, {}), 4 * 12 + 8},
      {"bad bit count", Info(1, 1, 7, kBiRgb, 0, {}), 64},
      {"negative width", Info(-3, 1, 24, kBiRgb, 0, {}), 64},
      {"most negative height", Info(1, INT32_MIN, 24, kBiRgb, 0, {}), 64},
      {"truncated colour table", Info(1, 1, 8, kBiRgb, 0, {0, 0}), 64},
      {"masks cut off", Info(1, 1, 16, kBiBitfields, 0, {0xF800}), 64},
      {"masks with 24 bits", Info(1, 1, 24, kBiBitfields, 0, {1, 2, 3}), 64},
      {"top-down run-length", Info(1, -1, 8, kBiRle8, 1, {0}), 64},
      {"run-length claiming more than its data could set", Info(1000, 1000, 8, kBiRle8, 1, {0}), 64},
      {"JPEG", Info(1, 1, 0, kBiJpeg, 0, {}), 64},
      {"header longer than the info", Bytes{41, 0, 0, 0, 1, 0, 0, 0}, 64},
      {"header size zero", Bytes(40, 0), 64},
      {"info shorter than its size field", Bytes{40, 0, 0}, 64},
  };
  for (const auto& c : cases) EXPECT_EQ(Decoded(c.info, Bytes(c.bits)), "failed") << c.name;
  DibImage im;
  EXPECT_EQ(DecodeDib(Info(1, 1, 24, kBiRgb, 0, {}).data(), 40, nullptr, 4, {}, im), 0) << "no bits";
}

// An 8 x 8 grey target, read back as letters.
struct Target {
  std::vector<uint32_t> px = std::vector<uint32_t>(64, kGrey);
  BlitTarget t{reinterpret_cast<uint8_t*>(px.data()), 32, 8, 8};
  std::string Rows(int rows, int n = 4) const {
    std::string s;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < n; ++x) s += Letter(px[y * 8 + x]);
    return s;
  }
};

DibImage Image(int w, int h, const std::string& picture) {
  DibImage im{w, h, {}, DibAlpha::kOpaque};
  for (char c : picture) im.pixels.push_back(c == 'R' ? kRed : c == 'B' ? kBlue : c == 'w' ? 0xFFFFFFFF : 0xFF000000);
  return im;
}

TEST(Blit, StretchMirrorAndShrink) {
  const DibImage f = Image(3, 5, kF), checks = Image(4, 2, Picture("RBRB BRBR"));
  const struct {
    const char* name;
    const DibImage* image;
    int32_t sx, sy, sw, sh, dx, dy, dw, dh;
    int mode;
    std::string rows;  // the top-left 4 x 5 of the target
  } cases[] = {
      {"copy", &f, 0, 0, 3, 5, 1, 0, 3, 5, kColourOnColour, ".RRR .RBB .RRB .RBB .RBB"},
      {"part, doubled", &f, 0, 1, 2, 2, 0, 0, 4, 4, kColourOnColour, "RRBB RRBB RRRR RRRR ...."},
      {"mirrored in place", &f, 0, 0, 3, 5, 2, 4, -3, -5, kColourOnColour, "BBR. BBR. BRR. BBR. RRR."},
      {"source mirrored", &f, 2, 1, -3, 1, 0, 0, 3, 1, kColourOnColour, "BBR. .... .... .... ...."},
      {"halved, nearest", &checks, 0, 0, 4, 2, 0, 0, 2, 1, kColourOnColour, "RR.. .... .... .... ...."},
      {"halved, black on white", &checks, 0, 0, 4, 2, 0, 0, 2, 1, kBlackOnWhite, "kk.. .... .... .... ...."},
      {"halved, white on black", &checks, 0, 0, 4, 2, 0, 0, 2, 1, kWhiteOnBlack, "MM.. .... .... .... ...."},
      {"halved, halftone averages", &checks, 0, 0, 4, 2, 0, 0, 2, 1, kHalftone, "mm.. .... .... .... ...."},
  };
  for (const auto& c : cases) {
    Target upright, general;
    BlitSource s;
    ASSERT_TRUE(MapRect(c.sx, c.sy, c.sw, c.sh, c.dx, c.dy, c.dw, c.dh, s));
    s.image = c.image;
    s.stretchMode = c.mode;
    ASSERT_EQ(Blit(upright.t, s, {}), 1) << c.name;
    EXPECT_EQ(upright.Rows(5), Picture(c.rows)) << c.name;
    // A ROP4 of two copies takes the general loop: it must draw the same.
    Blit(general.t, s, {.kind = BlitKind::kMask, .rop = 0xCCCC0020});
    EXPECT_EQ(general.px, upright.px) << c.name;
  }
}

TEST(Blit, ParallelogramTurnsAQuarter) {
  const DibImage im = Image(2, 1, "RB");
  const Point corners[] = {{0, 2}, {0, 0}, {1, 2}};  // the top edge runs up the left side
  BlitSource s;
  ASSERT_TRUE(MapParallelogram(0, 0, 2, 1, corners, s));
  s.image = &im;
  Target t;
  ASSERT_EQ(Blit(t.t, s, {}), 1);
  EXPECT_EQ(t.Rows(3, 2), Picture("B. R. .."));
}

TEST(Blit, RasterOperations) {
  const uint32_t p = 0xF0F0F0, s = 0xCCCCCC, d = 0xAAAAAA, all = 0xFFFFFF;
  const struct {
    uint32_t rop, expected;
  } cases[] = {
      {kSrcAnd, s & d},
      {kSrcPaint, s | d},
      {kSrcInvert, s ^ d},
      {kDstInvert, ~d & all},
      {kPatInvert, p ^ d},
      {kBlackness, 0},
      {kWhiteness, all},
      {kSrcErase, s & ~d & all},
      {kMergeCopy, p & s},
      {0x00B8074A, ((d ^ p) & s) ^ p},  // source 1 keeps the destination, 0 takes the brush
      {0x00E20746, ((p ^ d) & s) ^ d},  // source 1 takes the brush
      {0x00BB0226, (~s | d) & all},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplyRop3(c.rop, p, s, d), c.expected) << std::hex << c.rop;
  EXPECT_TRUE(RopUsesSource(kSrcAnd) && !RopUsesSource(kPatInvert) && !RopUsesSource(kDstInvert));
  EXPECT_TRUE(RopUsesPattern(kMergeCopy) && !RopUsesPattern(kSrcCopy) && !RopUsesPattern(kWhiteness));
}

TEST(Blit, Operations) {
  const DibImage im = Image(4, 1, "RBRB"), red = Image(4, 1, "RRRR"), mask = Image(4, 1, "kwkw");
  const DibImage tile = Image(2, 1, "Rw");
  const DibImage half{4, 1, std::vector<uint32_t>(4, 0x80800000), DibAlpha::kStored};  // premultiplied red, half alpha
  const DibImage holes{4, 1, {0, kRed, 0, kRed}, DibAlpha::kHoles};
  const uint8_t clip[64] = {0, 128, 255};
  const struct {
    const char* name;
    const DibImage* image;
    BlitOp op;
    bool clipped;
    std::string row;
  } cases[] = {
      {"brush colour, no source", nullptr, {.rop = kPatCopy, .pattern = {.colour = 0xFF0000}}, false, "BBBB"},
      {"tiled brush", nullptr, {.rop = kPatCopy, .pattern = {.image = &tile}}, false, "RwRw"},
      {"a copy needs a source", nullptr, {}, false, "...."},
      {"clip mask and rectangle", &im, {}, true, "..R."},
      {"colour key", &im, {.kind = BlitKind::kTransparent, .transparent = 0x0000FF}, false, ".B.B"},
      {"mask: copy on white, keep on black",
       &im,
       {.kind = BlitKind::kMask, .rop = 0xAACC0020, .mask = &mask},
       false,
       ".B.B"},
      {"constant alpha", &red, {.kind = BlitKind::kAlpha, .constantAlpha = 128}, false, "pppp"},
      {"per-pixel alpha", &half, {.kind = BlitKind::kAlpha, .sourceAlpha = true}, false, "pppp"},
      {"run-length holes", &holes, {}, false, ".R.R"},
  };
  for (const auto& c : cases) {
    Target t;
    BlitSource s;
    MapRect(0, 0, 4, 1, 0, 0, 4, 1, s);
    s.image = c.image;
    if (c.clipped) t.t.clipMask = clip, t.t.clipMaskStride = 8, t.t.hasClipRect = true, t.t.clipRect = {2, 0, 8, 8};
    EXPECT_EQ(Blit(t.t, s, c.op), c.image || c.op.rop != kSrcCopy) << c.name;
    EXPECT_EQ(t.Rows(1), c.row) << c.name;
  }
}

TEST(Blit, HostileMappings) {
  Target t;
  const DibImage im = Image(2, 1, "RB");
  const std::pair<Affine, int> hostile[] = {{{NAN, 0, 0, 0, 1, 0}, 0},
                                            {{0, 0, 0, 0, 0, 0}, 0},
                                            {{1e300, 0, -1e300, 0, 1e-300, 0}, 1},
                                            {{1e-150, 0, 0, 0, 1e-150, 0}, 1}};
  for (const auto& [map, expected] : hostile) EXPECT_EQ(Blit(t.t, {&im, {0, 0, 2, 1}, map, kHalftone}, {}), expected);
}

}  // namespace

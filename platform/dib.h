// Device-independent bitmaps for the metafile player: decoding a bitmap info
// and its bits into plain 32-bit pixels, and drawing such pixels onto the
// painter's working surface with raster operations, a colour key or alpha.
//
// Colours: image pixels are 0xAARRGGBB words (not premultiplied), top row
// first. Colours the caller passes (text, background, brush, colour key) are
// ColourRef values, 0x00BBGGRR, as the device context holds them.
//
// Targets are cairo image surfaces (CAIRO_FORMAT_RGB24 or ARGB32): 32-bit
// 0xAARRGGBB words, premultiplied. A drawn pixel becomes opaque (alpha 255);
// a destination pixel of alpha 0 reads as black.
//
// Nothing here allocates beyond one image, keeps state or prints; hostile
// sizes make the functions return 0.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi.h"
#include "platform/pixels.h"

namespace platform {

// Compressions a bitmap info header names.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;            // refused
constexpr uint32_t kBiPng = 5;             // refused
constexpr uint32_t kBiAlphaBitfields = 6;  // four masks after a 40-byte header

// An image's pixel count stays within this (8192 x 8192, 256 MiB decoded): more
// than any picture placed in a drawing needs, and a run-length record of a few
// bytes may claim that much.
constexpr int64_t kMaxDibPixels = int64_t{1} << 26;

// What the alpha byte of a decoded image's pixels means.
enum class DibAlpha {
  kOpaque,  // always 255
  kHoles,   // run-length images: 0 where no run or copy set the pixel (left undrawn), else 255
  kStored,  // 32-bit (or 16-bit with an alpha mask) images: the stored byte; only an alpha
            // blend with per-pixel alpha reads it, every other drawing treats it as 255
};

struct DibImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // width * height, 0xAARRGGBB, top row first
  DibAlpha alpha = DibAlpha::kOpaque;
};

// Where the colours of 1-, 4- and 8-bit images come from.
struct DibColours {
  // kDibRgbColours: the info's own colour table. kDibPalColours: the table holds
  // 16-bit indices into `palette`.
  int usage = kDibRgbColours;
  const uint8_t* palette = nullptr;  // `paletteCount` entries red, green, blue, flags
  int paletteCount = 0;
  // When set, a 1-bit image ignores its colour table: bit 0 takes mono[0] and bit 1
  // takes mono[1]. Pass {text colour, background colour} for a monochrome brush
  // or a monochrome source, as a device context turns monochrome into colour,
  // and {0x000000, 0xFFFFFF} to decode a mask whose white pixels are the 1 bits.
  const ColourRef* mono = nullptr;
};

// Decodes a bitmap info (a 12-, 40-, 108- or 124-byte header, then colour table
// or masks) and the bits that go with it, each as given in its record, into a
// top-down image. 1, 4, 8, 16, 24 and 32 bits per pixel; BI_RGB, BI_BITFIELDS,
// BI_ALPHABITFIELDS, BI_RLE8 and BI_RLE4; rows bottom-up (positive height) or
// top-down (negative). Colour indices beyond the table give black. Returns 1, or
// 0 (and an empty image) when the info is malformed, the image too large, or the
// bits shorter than the rows need; run-length data simply stops where it ends,
// but may not claim more than 256 pixels for each of its bytes.
int DecodeDib(const uint8_t* info, int64_t infoSize, const uint8_t* bits, int64_t bitsSize, const DibColours& colours,
              DibImage& out);

// Stretch modes, with their GDI values (kColourOnColour is in gdi.h). Only
// shrinking differs: colour-on-colour keeps the nearest source pixel, black-on-
// white ANDs and white-on-black ORs the source pixels a device pixel covers,
// and halftone averages them. Other values act as colour-on-colour.
constexpr int kBlackOnWhite = 1;
constexpr int kWhiteOnBlack = 2;
constexpr int kHalftone = 4;

// ROP3 codes as records carry them: the operation's truth table over pattern,
// source and destination in bits 16 to 23 (bit P*4 + S*2 + D).
constexpr uint32_t kSrcCopy = 0x00CC0020;
constexpr uint32_t kSrcPaint = 0x00EE0086;
constexpr uint32_t kSrcAnd = 0x008800C6;
constexpr uint32_t kSrcInvert = 0x00660046;
constexpr uint32_t kSrcErase = 0x00440328;
constexpr uint32_t kNotSrcCopy = 0x00330008;
constexpr uint32_t kMergeCopy = 0x00C000CA;
constexpr uint32_t kPatCopy = 0x00F00021;
constexpr uint32_t kPatPaint = 0x00FB0A09;
constexpr uint32_t kPatInvert = 0x005A0049;
constexpr uint32_t kDstInvert = 0x00550009;
constexpr uint32_t kBlackness = 0x00000042;
constexpr uint32_t kWhiteness = 0x00FF0062;

// Whether a ROP3 reads the source, the pattern.
bool RopUsesSource(uint32_t rop);
bool RopUsesPattern(uint32_t rop);

// The ROP3 applied bitwise to 24-bit colours (any consistent channel order).
uint32_t ApplyRop3(uint32_t rop, uint32_t pattern, uint32_t source, uint32_t destination);

// Source space to device space: device = (xx*u + xy*v + x0, yx*u + yy*v + y0).
// Both are continuous: pixel (i, j) covers [i, i+1) x [j, j+1).
struct Affine {
  double xx = 1, xy = 0, x0 = 0;
  double yx = 0, yy = 1, y0 = 0;
};

struct BlitTarget {
  uint8_t* data = nullptr;  // cairo image surface rows
  int32_t stride = 0;       // bytes
  int32_t width = 0;
  int32_t height = 0;
  // Null: ARGB32 rows. Otherwise one palette index a byte: each pixel is worked
  // out in colour from the colour of the index below and matched back.
  const IndexedColours* indexed = nullptr;
  // Optional clip mask, a cairo A8 surface of the same size: a pixel is drawn
  // where the mask is at least 128.
  const uint8_t* clipMask = nullptr;
  int32_t clipMaskStride = 0;
  // Optional clip rectangle in device pixels.
  bool hasClipRect = false;
  Rect clipRect{};
};

// The brush a ROP3 reads as its pattern: a solid colour, or an image tiled from
// the device origin moved by (originX, originY).
struct BlitPattern {
  ColourRef colour = 0;
  const DibImage* image = nullptr;
  int32_t originX = 0;
  int32_t originY = 0;
};

struct BlitSource {
  // Null for operations without a source (PATCOPY, BLACKNESS, WHITENESS,
  // DSTINVERT, PATINVERT): the area is the parallelogram `rect` maps to.
  const DibImage* image = nullptr;
  Rect rect{};  // source pixels drawn (exclusive right and bottom); cut to the image
  Affine toDevice{};
  int stretchMode = kColourOnColour;
};

// The source a StretchBlt-shaped record means: source rectangle (x, y, width,
// height) onto the destination rectangle; sets `rect` and `toDevice`. A negative
// extent mirrors, and as in GDI it then covers the pixels from x + extent + 1 to
// x, so that (x + w - 1, -w) mirrors (x, w) in place. False when an extent is 0.
bool MapRect(int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t dstX, int32_t dstY,
             int32_t dstWidth, int32_t dstHeight, BlitSource& source);
// The source of a parallelogram blit: the source rectangle's top-left, top-right
// and bottom-left corners go to the three points. A negative source extent
// mirrors as above. False when degenerate.
bool MapParallelogram(int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, const Point corners[3],
                      BlitSource& source);

enum class BlitKind {
  kRop,          // `rop` is a ROP3
  kMask,         // `rop` is a ROP4: where the mask pixel is 1 (not black) the ROP3 in its low
                 // three bytes, where 0 the ROP3 whose index is its high byte
  kTransparent,  // source pixels of colour `transparent` are left out, the rest copied
  kAlpha,        // source over destination with `constantAlpha`, and per-pixel alpha
                 // (premultiplied source) when `sourceAlpha`
};

struct BlitOp {
  BlitKind kind = BlitKind::kRop;
  uint32_t rop = kSrcCopy;
  BlitPattern pattern{};
  // kMask: the mask (decode it with mono {0x000000, 0xFFFFFF}); source pixel
  // (u, v) uses mask pixel (u - rect.left + maskX, v - rect.top + maskY). Mask
  // pixels outside the mask count as 1.
  const DibImage* mask = nullptr;
  int32_t maskX = 0;
  int32_t maskY = 0;
  ColourRef transparent = 0;    // kTransparent
  uint8_t constantAlpha = 255;  // kAlpha
  bool sourceAlpha = false;     // kAlpha
};

// Draws the source through its mapping onto the target, nearest-neighbour (a
// device pixel takes the source pixel under its centre). Device pixels outside
// the target, the clip rectangle or the clip mask are left alone. Returns 1, or 0
// when the mapping is not finite or degenerate or an operation that needs a
// source has none.
int Blit(const BlitTarget& target, const BlitSource& source, const BlitOp& op);

}  // namespace platform

// Decoding device-independent bitmaps into top-down 32-bit pixels. The caller
// has already cut the info and the bits out of their record; every size here is
// checked against those two lengths before anything is read or allocated.
#include <bit>
#include <cstddef>
#include <new>

#include "platform/bytes.h"
#include "platform/dib.h"

namespace platform {

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000;
// A run of 255 pixels takes two bytes; a run-length image claiming far more
// pixels than its data could set would be mostly holes, and is refused rather
// than allocated.
constexpr int64_t kMaxRlePixelsPerByte = 256;

// One colour channel held under a bit mask, widened to 8 bits by repeating
// its bits, so that a full 5-bit channel gives 255 rather than 248.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    bits = std::bit_width(m >> shift);
  }

  uint32_t Get(uint32_t v) const {
    if (bits == 0) return 0;
    uint32_t x = (v & mask) >> shift;
    if (bits >= 8) return x >> (bits - 8);
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits) out = out << bits | x;  // replicate, then keep the top 8
    int total = (8 + bits - 1) / bits * bits;
    return out >> (total - 8) & 0xFF;
  }
};

struct Header {
  int64_t width = 0;
  int64_t height = 0;  // rows, positive
  bool bottomUp = true;
  int bitsPerPixel = 0;
  uint32_t compression = kBiRgb;
  int64_t tableAt = 0;     // offset of the colour table in the info
  int64_t entrySize = 4;   // colour-table entry size with RGB colours
  int64_t tableCount = 0;  // entries present for 1- to 8-bit images
  uint32_t masks[4] = {};  // red, green, blue, alpha
};

bool ParseHeader(const uint8_t* info, int64_t infoSize, Header& h) {
  if (!info || infoSize < 4) return false;
  int64_t headerSize = Le32(info);
  if (headerSize == 12) {
    if (infoSize < 12) return false;
    h.width = Le16(info + 4);
    h.height = Le16(info + 6);
    h.bitsPerPixel = Le16(info + 10);
    h.tableAt = 12;
    h.entrySize = 3;
  } else {
    if (headerSize < 40 || headerSize > infoSize) return false;
    h.width = static_cast<int32_t>(Le32(info + 4));
    h.height = static_cast<int32_t>(Le32(info + 8));
    h.bitsPerPixel = Le16(info + 14);
    h.compression = Le32(info + 16);
    h.tableAt = headerSize;
    if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
      // A 40-byte header is followed by its masks; longer ones hold them.
      int count = h.compression == kBiAlphaBitfields ? 4 : 3;
      int64_t at = 40;
      if (headerSize == 40)
        h.tableAt += 4 * count;
      else if (headerSize >= 56)
        count = 4;
      if (at + 4 * count > infoSize) return false;
      for (int i = 0; i < count; ++i) h.masks[i] = Le32(info + at + 4 * i);
    }
    if (h.bitsPerPixel <= 8) {
      uint32_t used = Le32(info + 32);
      h.tableCount = used;
    }
  }
  if (h.height < 0) {
    h.height = -h.height;
    h.bottomUp = false;
  }
  switch (h.compression) {
    case kBiRgb:
      if (h.bitsPerPixel == 16) h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
      if (h.bitsPerPixel == 32) h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF, h.masks[3] = 0xFF000000;
      if (h.bitsPerPixel != 1 && h.bitsPerPixel != 4 && h.bitsPerPixel != 8 && h.bitsPerPixel != 16 &&
          h.bitsPerPixel != 24 && h.bitsPerPixel != 32)
        return false;
      break;
    case kBiRle8:
      if (h.bitsPerPixel != 8 || !h.bottomUp) return false;
      break;
    case kBiRle4:
      if (h.bitsPerPixel != 4 || !h.bottomUp) return false;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (h.bitsPerPixel != 16 && h.bitsPerPixel != 32) return false;
      break;
    default: return false;  // JPEG and PNG streams are for printers, not for us
  }
  if (h.width < 1 || h.height < 1 || h.width * h.height > kMaxDibPixels) return false;
  if (h.bitsPerPixel <= 8) {
    int64_t full = int64_t{1} << h.bitsPerPixel;
    if (h.tableCount == 0 || h.tableCount > full) h.tableCount = full;
  }
  return true;
}

// The colours of a 1- to 8-bit image, 256 entries, black beyond the table.
bool ColourTable(const uint8_t* info, int64_t infoSize, const Header& h, const DibColours& c, uint32_t* table) {
  for (int i = 0; i < 256; ++i) table[i] = kOpaqueBlack;
  if (h.bitsPerPixel == 1 && c.mono) {
    table[0] = OpaqueArgb(c.mono[0]);
    table[1] = OpaqueArgb(c.mono[1]);
    return true;
  }
  bool indices = c.usage == kDibPalColours;
  int64_t entrySize = indices ? 2 : h.entrySize;
  if (h.tableAt + h.tableCount * entrySize > infoSize) return false;
  const uint8_t* p = info + h.tableAt;
  for (int64_t i = 0; i < h.tableCount; ++i, p += entrySize) {
    if (!indices) {
      table[i] = kOpaqueBlack | p[2] << 16 | p[1] << 8 | p[0];
    } else if (int n = Le16(p); c.palette && n < c.paletteCount) {
      const uint8_t* e = c.palette + 4 * n;
      table[i] = kOpaqueBlack | e[0] << 16 | e[1] << 8 | e[2];
    }
  }
  return true;
}

void DecodeRows(const uint8_t* bits, int64_t stride, const Header& h, const uint32_t* table, uint32_t* out) {
  Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
  int bpp = h.bitsPerPixel;
  for (int64_t r = 0; r < h.height; ++r) {
    const uint8_t* row = bits + r * stride;
    uint32_t* dst = out + (h.bottomUp ? h.height - 1 - r : r) * h.width;
    for (int64_t x = 0; x < h.width; ++x) {
      if (bpp <= 8) {
        int64_t bit = x * bpp;
        int index = row[bit >> 3] >> (8 - bpp - (bit & 7)) & ((1 << bpp) - 1);
        dst[x] = table[index];
      } else if (bpp == 24) {
        const uint8_t* p = row + 3 * x;
        dst[x] = kOpaqueBlack | p[2] << 16 | p[1] << 8 | p[0];
      } else {
        uint32_t v = bpp == 16 ? Le16(row + 2 * x) : Le32(row + 4 * x);
        uint32_t a = h.masks[3] ? alpha.Get(v) : 255;
        dst[x] = a << 24 | red.Get(v) << 16 | green.Get(v) << 8 | blue.Get(v);
      }
    }
  }
}

// Run-length data: runs and literal copies of indices, with escapes for the end
// of a line, the end of the picture and a jump. Pixels nothing sets stay 0
// (transparent). Decoding stops at the end of the data.
void DecodeRle(const uint8_t* bits, int64_t size, const Header& h, const uint32_t* table, uint32_t* out) {
  bool four = h.compression == kBiRle4;
  int64_t x = 0, y = 0, p = 0;
  auto put = [&](int index) {
    if (x < h.width && y < h.height) out[(h.height - 1 - y) * h.width + x] = table[index];
    ++x;
  };
  while (p + 2 <= size && y < h.height) {
    int n = bits[p], c = bits[p + 1];
    p += 2;
    if (n > 0) {
      for (int i = 0; i < n; ++i) put(four ? (i & 1 ? c & 15 : c >> 4) : c);
    } else if (c == 0) {
      x = 0;
      ++y;
    } else if (c == 1) {
      break;
    } else if (c == 2) {
      if (p + 2 > size) break;
      x += bits[p];
      y += bits[p + 1];
      p += 2;
    } else {
      int64_t bytes = four ? (c + 1) / 2 : c;
      for (int i = 0; i < c && p + (four ? i / 2 : i) < size; ++i)
        put(four ? (i & 1 ? bits[p + i / 2] & 15 : bits[p + i / 2] >> 4) : bits[p + i]);
      p += bytes + (bytes & 1);
    }
  }
}

}  // namespace

int DecodeDib(const uint8_t* info, int64_t infoSize, const uint8_t* bits, int64_t bitsSize, const DibColours& colours,
              DibImage& out) {
  out = DibImage{};
  Header h;
  if (!ParseHeader(info, infoSize, h) || bitsSize < 0 || (!bits && bitsSize > 0)) return 0;
  uint32_t table[256];
  if (h.bitsPerPixel <= 8 && !ColourTable(info, infoSize, h, colours, table)) return 0;
  bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
  int64_t stride = (h.width * h.bitsPerPixel + 31) / 32 * 4;
  // The last row may lack its padding: some writers stop at its last pixel.
  if (!rle && stride * (h.height - 1) + (h.width * h.bitsPerPixel + 7) / 8 > bitsSize) return 0;
  if (rle && h.width * h.height > kMaxRlePixelsPerByte * bitsSize) return 0;
  try {
    out.pixels.assign(static_cast<size_t>(h.width * h.height), 0);
  } catch (const std::bad_alloc&) { return 0; }
  out.width = static_cast<int32_t>(h.width);
  out.height = static_cast<int32_t>(h.height);
  if (rle) {
    DecodeRle(bits, bitsSize, h, table, out.pixels.data());
    out.alpha = DibAlpha::kHoles;
  } else {
    DecodeRows(bits, stride, h, table, out.pixels.data());
    if (h.masks[3]) out.alpha = DibAlpha::kStored;
  }
  return 1;
}

}  // namespace platform
